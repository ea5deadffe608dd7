#pragma once
// What the settings dialog decides about its fields without widgets: the stored
// values in the dialog's formats, whether the fields differ from them, whether
// they can be stored, and storing them.
#include <QString>

#include <optional>

class TBIniSettings;

enum class TCfgField { MainCam, AuxCam, NumMaxCaptures, NCAverage, NCSD, Tolerance };

struct TCfgFieldProblem {
    TCfgField field;
    QString message;
};

struct TCfgCamCapFields {
    static constexpr int kMaxCaptures = 300;

    QString MainCam, AuxCam;
    QString NumMaxCaptures, NCAverage, NCSD, Tolerance;
    QString ClinicName, ClinicAddress, ClinicPhone;

    // Channels and clinic data read from the file now (a channel shows its low 8 bits),
    // capture values from the settings object's cache ("0.00" for the statistics).
    // Throws ESettingsConversionError when a channel in the file is not a number.
    static TCfgCamCapFields Load(const TBIniSettings &settings);

    // Exact text comparison with the stored values, in the dialog's order. A maximum
    // above 300 does not count as a change by itself. Throws like Load.
    bool IsModified(const TBIniSettings &settings) const;

    // The first field that cannot be stored, with a message for the operator; nothing
    // when all can. Channels 0-255; captures, average, deviation and tolerance within
    // the ranges the settings file accepts (1-300, 0-255, 0-255, 0-1; SettingsRanges.h);
    // numbers in the process decimal format.
    std::optional<TCfgFieldProblem> Validate() const;

    // Stores every field in the dialog's order. Validate first: a field that does not
    // convert throws cornix::EConvertError after the ones before it were written.
    void Save(TBIniSettings &settings) const;
};
