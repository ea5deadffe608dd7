#pragma once
// The workstation's settings file, cornix.ini beside the executable. Every read
// opens the file and every write saves it before returning; a few keys are read
// once at construction and served from memory afterwards.
#include "Numbers.h"

#include <QString>

#include <cstdint>
#include <optional>

// Why a value of the settings file cannot be used.
enum class TSettingsFault {
    NotANumber,   // the text does not convert
    Missing,      // the key is not in the file
    OutOfRange,   // a number outside the key's range (SettingsRanges.h)
    BadSeparator, // SYSTEM/decimalSeparator is neither "." nor ","
    Unreadable,   // the file could not be read at all (no section or key)
};

// A value of the settings file that cannot be used. Names the file, section, key and
// value so that start-up can tell the operator what to fix.
class ESettingsConversionError : public cornix::EConvertError {
public:
    // A value that is not a number.
    ESettingsConversionError(const QString &fileName, const QString &section, const QString &key,
                             const QString &value);
    // rangeText ("de 1 a 300") for OutOfRange only.
    ESettingsConversionError(TSettingsFault fault, const QString &fileName, const QString &section,
                             const QString &key, const QString &value = {}, const QString &rangeText = {});
    TSettingsFault fault() const { return m_fault; }
    const QString &fileName() const { return m_fileName; }
    const QString &section() const { return m_section; }
    const QString &key() const { return m_key; }
    const QString &value() const { return m_value; }
    // A one-line Portuguese explanation for the operator.
    QString message() const;

private:
    TSettingsFault m_fault;
    QString m_fileName, m_section, m_key, m_value;
};

enum class TIniKind { Int, Str, Bool };

class TBIniSettings {
public:
    // Loads cornix.ini from the executable's folder and sets the process decimal
    // separator. Throws ESettingsConversionError for an unreadable file, a missing
    // key, a number that does not convert or one outside its range (SettingsRanges.h).
    TBIniSettings();
    // Same, for a settings file elsewhere (tools and tests).
    explicit TBIniSettings(const QString &fileName);

    static QString DefaultFileName();

    // The program's settings object, published by the main window's start-up for every
    // window to read; null before start-up and after a failed one. Not owned here: the
    // main window keeps it for the whole run and unpublishes it when it goes.
    static TBIniSettings *Global();
    static void SetGlobal(TBIniSettings *settings);

    // Live keys: one file access per call.
    int GetBrightness() const;
    void SetBrightness(int value);
    int GetContrast() const;
    void SetContrast(int value);
    QString GetGain() const;
    void SetGain(const QString &value);
    QString GetDoctorName() const;
    void SetDoctorName(const QString &value);
    QString GetDoctorCRM() const;
    void SetDoctorCRM(const QString &value);
    QString GetClinicName() const;
    void SetClinicName(const QString &value);
    QString GetClinicAddress() const;
    void SetClinicAddress(const QString &value);
    QString GetClinicPhone() const;
    void SetClinicPhone(const QString &value);
    QString GetComPort() const;
    int GetMainCamChannel() const;
    void SetMainCamChannel(std::uint8_t value);
    int GetAuxCamChannel() const;
    void SetAuxCamChannel(std::uint8_t value);

    // Cached keys, read at construction.
    const QString &FileName() const { return m_fileName; }
    const QString &DecimalSeparatorText() const { return m_decimalSeparatorText; }
    const QString &CaptureType() const { return m_captureType; }
    double Average() const { return m_average; }
    double SD() const { return m_sd; }
    double Tolerance() const { return m_tolerance; }
    double Variance() const { return m_sd * m_sd; }
    double PixelToMM() const { return m_pixelToMM; }
    double PixelToPaq() const { return m_pixelToPaq; }
    std::uint16_t MaxFrames() const { return m_maxFrames; }
    std::int32_t FIRLen() const { return m_firLen; }
    std::int32_t MinBlack() const { return m_minBlack; }
    double Alpha0() const { return m_alpha0; }
    double Beta0() const { return m_beta0; }
    double LargMin() const { return m_largMin; }
    double Perc() const { return m_perc; }

    // "0.00" written, then re-read into the cache. A value that would read back outside
    // its range (SettingsRanges.h) throws ESettingsConversionError and nothing is written.
    void SetAverage(double value);
    void SetSD(double value);
    void SetTolerance(double value);
    void SetMaxFrames(std::uint16_t value);
    // "0.000000" written; PixelToMM() keeps the value loaded at start.
    void SetPixelToMM(double value);

    // All file traffic. "Str" reads fall back to "error", "Int" to 1, "Bool" to true.
    static void WriteIniValue(const QString &fileName, TIniKind kind, bool boolValue, const QString &text,
                              const QString &key, const QString &section);
    static QString ReadIniValue(const QString &fileName, TIniKind kind, const QString &key,
                                const QString &section);

    // Makes a value written with either separator readable with the one in force.
    static QString RepairDecimalSeparator(const QString &value);

private:
    struct TLoadedFile;

    void Load();
    QString readText(const char *section, const char *key) const;
    std::optional<QString> readStored(const char *section, const char *key) const;
    QString readNumberText(const char *section, const char *key) const;
    void loadDecimalSeparator();
    template <typename T> T checked(const char *section, const char *key, T value, const QString &text) const;
    void writeChecked(const char *section, const char *key, const QString &text) const;
    void writeText(const char *section, const char *key, const QString &value) const;
    int readPlainInt(const char *section, const char *key) const;
    double readPlainFloat(const char *section, const char *key) const;
    std::int32_t readFixedInt(const char *section, const char *key) const;
    double readFixedFloat(const char *section, const char *key) const;

    QString m_fileName;
    // While Load runs: the one reading of the file that its keys come from.
    const TLoadedFile *m_loading = nullptr;
    QString m_decimalSeparatorText;
    QString m_captureType;
    double m_average = 0;
    double m_sd = 0;
    double m_tolerance = 0;
    double m_pixelToMM = 0;
    double m_pixelToPaq = 0;
    std::uint16_t m_maxFrames = 0;
    std::int32_t m_firLen = 0;
    std::int32_t m_minBlack = 0;
    double m_alpha0 = 0;
    double m_beta0 = 0;
    double m_largMin = 0;
    double m_perc = 0;
};
