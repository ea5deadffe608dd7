#include "UBIniSettings.h"

#include "QtNumbers.h"
#include "SettingsRanges.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

#include <SimpleIni.h>

namespace {

const QString kError = QStringLiteral("error");

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

// False when the file could not be read (a missing file included).
bool openIni(CSimpleIniA &ini, const QString &fileName)
{
    ini.SetUnicode(true);
    ini.SetSpaces(false);
    return ini.LoadFile(QFile::encodeName(fileName).constData()) >= 0;
}

std::optional<QString> storedValue(const CSimpleIniA &ini, const QString &section, const QString &key)
{
    const char *raw = ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!raw)
        return std::nullopt;
    return QString::fromUtf8(raw);
}

// The key's text as stored, or "error" when it is missing.
QString storedText(const CSimpleIniA &ini, const QString &section, const QString &key)
{
    return storedValue(ini, section, key).value_or(kError);
}

QString faultMessage(TSettingsFault fault, const QString &fileName, const QString &section, const QString &key,
                     const QString &value, const QString &rangeText)
{
    const QString file = QStringLiteral("Arquivo de configuração '%1': ").arg(fileName);
    switch (fault) {
    case TSettingsFault::NotANumber:
        return file + QStringLiteral("a chave [%1] %2 tem o valor '%3', que não é um número válido.")
                          .arg(section, key, value);
    case TSettingsFault::Missing:
        return file + QStringLiteral("falta a chave [%1] %2.").arg(section, key);
    case TSettingsFault::OutOfRange:
        return file + QStringLiteral("a chave [%1] %2 tem o valor '%3', fora do intervalo aceito (%4).")
                          .arg(section, key, value, rangeText);
    case TSettingsFault::BadSeparator:
        return file + QStringLiteral("a chave [%1] %2 tem o valor '%3', mas o separador decimal precisa ser "
                                     "'.' ou ','.")
                          .arg(section, key, value);
    case TSettingsFault::Unreadable:
        break;
    }
    return file + QStringLiteral("o arquivo não pôde ser lido.");
}

// Blanks around names as the reader counts them: spaces and tabs only (a vertical
// tab or form feed is part of the name).
QByteArray iniTrimmed(const QByteArray &text)
{
    qsizetype first = 0, end = text.size();
    while (first < end && (text[first] == ' ' || text[first] == '\t'))
        ++first;
    while (end > first && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.mid(first, end - first);
}

bool sameName(const QByteArray &a, const QByteArray &b) { return iniTrimmed(a).compare(b, Qt::CaseInsensitive) == 0; }

// One line of the file and the end that followed it: "\r\n", "\n", or "\r" alone,
// which the reader also takes for the end of a line (files from older systems).
struct TIniLine {
    QByteArray text;
    QByteArray end;
};

QList<TIniLine> splitLines(const QByteArray &content)
{
    QList<TIniLine> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < content.size())
            next += content[next] == '\r' && next + 1 < content.size() && content[next + 1] == '\n' ? 2 : 1;
        lines.append({content.mid(start, end - start), content.mid(end, next - end)});
        start = next;
    }
    return lines;
}

QByteArray lineEndOf(const QByteArray &content)
{
    if (content.contains("\r\n"))
        return "\r\n";
    return content.contains('\n') || !content.contains('\r') ? "\n" : "\r";
}

// Sets section/key to value in the INI text, touching no other line: the file is
// edited in place rather than re-emitted, which would reflow blank lines.
QByteArray withIniValue(const QByteArray &content, const QByteArray &section, const QByteArray &key,
                        const QByteArray &value)
{
    // The reader skips a UTF-8 mark at the very start of the file (editors on other
    // systems write one); so does the edit, which keeps it.
    const QByteArray mark = content.startsWith("\xEF\xBB\xBF") ? content.left(3) : QByteArray();
    const QByteArray eol = lineEndOf(content);
    QList<TIniLine> lines = splitLines(content.mid(mark.size()));
    if (!lines.isEmpty() && lines.last().end.isEmpty())
        lines.last().end = eol;

    // A key written twice (the section repeated, say) is read from its last line:
    // every line of the key gets the value, so that the write is what is read back.
    qsizetype sectionLine = -1, lastEntryOfSection = -1;
    bool found = false, inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray &line = lines[i].text;
        const QByteArray trimmed = iniTrimmed(line);
        if (trimmed.startsWith('[')) {
            // As the reader sees it: the name ends at the first ']' and the rest of the
            // line is ignored; a line without ']' opens a section no name finds.
            const qsizetype close = trimmed.indexOf(']');
            inSection = close > 0 && sameName(trimmed.mid(1, close - 1), section);
            if (inSection && sectionLine < 0)
                sectionLine = lastEntryOfSection = i;
            continue;
        }
        if (!inSection || trimmed.isEmpty() || trimmed.startsWith(';'))
            continue;
        lastEntryOfSection = i;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && sameName(line.left(equals), key)) {
            line = line.left(equals + 1) + value;
            found = true;
        }
    }
    if (!found && sectionLine >= 0) {
        lines.insert(lastEntryOfSection + 1, {key + '=' + value, eol});
    } else if (!found) {
        if (!lines.isEmpty() && !iniTrimmed(lines.last().text).isEmpty())
            lines.append({QByteArray(), eol});
        lines.append({'[' + section + ']', eol});
        lines.append({key + '=' + value, eol});
    }
    QByteArray edited = mark;
    for (const TIniLine &line : lines)
        edited += line.text + line.end;
    return edited;
}

// The number convert() reads from text, or the fault naming the key.
template <typename Convert>
auto converted(const QString &fileName, const char *section, const char *key, const QString &text,
               Convert convert)
{
    try {
        return convert();
    } catch (const cornix::EConvertError &) {
        throw ESettingsConversionError(fileName, QLatin1String(section), QLatin1String(key), text);
    }
}

} // namespace

ESettingsConversionError::ESettingsConversionError(const QString &fileName, const QString &section,
                                                   const QString &key, const QString &value)
    : ESettingsConversionError(TSettingsFault::NotANumber, fileName, section, key, value)
{
}

ESettingsConversionError::ESettingsConversionError(TSettingsFault fault, const QString &fileName,
                                                   const QString &section, const QString &key, const QString &value,
                                                   const QString &rangeText)
    : cornix::EConvertError(faultMessage(fault, fileName, section, key, value, rangeText).toStdString(),
                            value.toStdString()),
      m_fault(fault), m_fileName(fileName), m_section(section), m_key(key), m_value(value)
{
}

QString ESettingsConversionError::message() const { return QString::fromStdString(what()); }

TBIniSettings::TBIniSettings() : TBIniSettings(DefaultFileName()) {}

TBIniSettings::TBIniSettings(const QString &fileName) : m_fileName(fileName) { Load(); }

namespace {
TBIniSettings *g_settings = nullptr;
}

TBIniSettings *TBIniSettings::Global() { return g_settings; }
void TBIniSettings::SetGlobal(TBIniSettings *settings) { g_settings = settings; }

QString TBIniSettings::DefaultFileName()
{
    QString folder = QDir::toNativeSeparators(executableFolder());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder + QStringLiteral("cornix.ini");
}

struct TBIniSettings::TLoadedFile {
    CSimpleIniA ini;
};

void TBIniSettings::Load()
{
    // The file is read once for all the keys kept in memory.
    TLoadedFile file;
    if (!openIni(file.ini, m_fileName))
        throw ESettingsConversionError(TSettingsFault::Unreadable, m_fileName, QString(), QString());
    m_loading = &file;
    const auto done = qScopeGuard([this] { m_loading = nullptr; });
    loadDecimalSeparator();
    m_average = readFixedFloat("AUTOCAPTURE", "average");
    m_sd = readFixedFloat("AUTOCAPTURE", "sd");
    m_tolerance = readFixedFloat("AUTOCAPTURE", "tolerance");
    m_maxFrames = static_cast<std::uint16_t>(readFixedInt("CAPTURE", "maxFrames"));
    m_firLen = readFixedInt("IMAGEPROCESSING", "FIRlen");
    m_minBlack = readFixedInt("IMAGEPROCESSING", "minBlack");
    m_alpha0 = readFixedFloat("IMAGEPROCESSING", "alpha0");
    m_beta0 = readFixedFloat("IMAGEPROCESSING", "beta0");
    m_largMin = readFixedFloat("IMAGEPROCESSING", "largMin");
    m_perc = readFixedFloat("IMAGEPROCESSING", "perc");
    m_pixelToMM = readPlainFloat("METRICS", "pixelToMM");
    m_pixelToPaq = readPlainFloat("METRICS", "pixelToPaq");
    m_captureType = readText("CAPTURE", "TYPE");
}

// Only "." and "," make numbers the conversions read; any other character would
// turn every later number of the file into a fault blamed on that number's key.
void TBIniSettings::loadDecimalSeparator()
{
    const char *section = "SYSTEM", *key = "decimalSeparator";
    m_decimalSeparatorText = readNumberText(section, key);
    // An empty separator falls back to the platform's.
    if (m_decimalSeparatorText.isEmpty()) {
        cornix::SetDecimalSeparator(cornix::PlatformDecimalSeparator());
        return;
    }
    if (m_decimalSeparatorText != QLatin1String(".") && m_decimalSeparatorText != QLatin1String(","))
        throw ESettingsConversionError(TSettingsFault::BadSeparator, m_fileName, QLatin1String(section),
                                       QLatin1String(key), m_decimalSeparatorText);
    cornix::SetDecimalSeparator(m_decimalSeparatorText.at(0).toLatin1());
}

QString TBIniSettings::RepairDecimalSeparator(const QString &value)
{
    const QChar separator = QLatin1Char(cornix::DecimalSeparator());
    if (value.contains(separator))
        return value;
    QString repaired = value;
    const QChar foreign = separator == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype at = repaired.indexOf(foreign);
    if (at >= 0)
        repaired[at] = separator;
    return repaired;
}

QString TBIniSettings::readText(const char *section, const char *key) const
{
    return readStored(section, key).value_or(kError);
}

std::optional<QString> TBIniSettings::readStored(const char *section, const char *key) const
{
    if (m_loading)
        return storedValue(m_loading->ini, QLatin1String(section), QLatin1String(key));
    CSimpleIniA ini;
    openIni(ini, m_fileName);
    return storedValue(ini, QLatin1String(section), QLatin1String(key));
}

// The text of a key that must be present.
QString TBIniSettings::readNumberText(const char *section, const char *key) const
{
    if (auto text = readStored(section, key))
        return *text;
    throw ESettingsConversionError(TSettingsFault::Missing, m_fileName, QLatin1String(section), QLatin1String(key));
}

// value, unless section/key has a range that it is outside of.
template <typename T>
T TBIniSettings::checked(const char *section, const char *key, T value, const QString &text) const
{
    const auto range = SettingsRangeOf(section, key);
    if (range && !range->Contains(double(value)))
        throw ESettingsConversionError(TSettingsFault::OutOfRange, m_fileName, QLatin1String(section),
                                       QLatin1String(key), text, SettingsRangeText(*range));
    return value;
}

// Writes text, which must read back inside the key's range; otherwise throws and
// writes nothing, so that the file keeps loading.
void TBIniSettings::writeChecked(const char *section, const char *key, const QString &text) const
{
    checked(section, key, cornix::StrToFloat(text), text);
    writeText(section, key, text);
}

void TBIniSettings::writeText(const char *section, const char *key, const QString &value) const
{
    WriteIniValue(m_fileName, TIniKind::Str, false, value, QLatin1String(key), QLatin1String(section));
}

int TBIniSettings::readPlainInt(const char *section, const char *key) const
{
    const QString text = readNumberText(section, key);
    return checked(section, key, converted(m_fileName, section, key, text, [&] { return cornix::StrToInt(text); }),
                   text);
}

double TBIniSettings::readPlainFloat(const char *section, const char *key) const
{
    const QString text = readNumberText(section, key);
    return checked(section, key, converted(m_fileName, section, key, text, [&] { return cornix::StrToFloat(text); }),
                   text);
}

std::int32_t TBIniSettings::readFixedInt(const char *section, const char *key) const
{
    const QString text = readNumberText(section, key);
    const QString repaired = RepairDecimalSeparator(text);
    return checked(section, key,
                   converted(m_fileName, section, key, text, [&] { return cornix::StrToInt(repaired); }), text);
}

double TBIniSettings::readFixedFloat(const char *section, const char *key) const
{
    const QString text = readNumberText(section, key);
    const QString repaired = RepairDecimalSeparator(text);
    return checked(section, key,
                   converted(m_fileName, section, key, text, [&] { return cornix::StrToFloat(repaired); }), text);
}

int TBIniSettings::GetBrightness() const { return readPlainInt("VIDEO", "Brightness"); }
void TBIniSettings::SetBrightness(int value) { writeText("VIDEO", "Brightness", QString::number(value)); }
int TBIniSettings::GetContrast() const { return readPlainInt("VIDEO", "Contrast"); }
void TBIniSettings::SetContrast(int value) { writeText("VIDEO", "Contrast", QString::number(value)); }
QString TBIniSettings::GetGain() const { return readText("VIDEO", "Gain"); }
void TBIniSettings::SetGain(const QString &value) { writeText("VIDEO", "Gain", value); }
QString TBIniSettings::GetDoctorName() const { return readText("DOCTOR", "NAME"); }
void TBIniSettings::SetDoctorName(const QString &value) { writeText("DOCTOR", "NAME", value); }
QString TBIniSettings::GetDoctorCRM() const { return readText("DOCTOR", "CRM"); }
void TBIniSettings::SetDoctorCRM(const QString &value) { writeText("DOCTOR", "CRM", value); }
QString TBIniSettings::GetClinicName() const { return readText("CLINIC_DATA", "NAME"); }
void TBIniSettings::SetClinicName(const QString &value) { writeText("CLINIC_DATA", "NAME", value); }
QString TBIniSettings::GetClinicAddress() const { return readText("CLINIC_DATA", "ADDRESS"); }
void TBIniSettings::SetClinicAddress(const QString &value) { writeText("CLINIC_DATA", "ADDRESS", value); }
QString TBIniSettings::GetClinicPhone() const { return readText("CLINIC_DATA", "PHONE"); }
void TBIniSettings::SetClinicPhone(const QString &value) { writeText("CLINIC_DATA", "PHONE", value); }
QString TBIniSettings::GetComPort() const { return readText("HARDWARE", "comPort"); }
int TBIniSettings::GetMainCamChannel() const { return readPlainInt("CAMERA", "mainCamChannel"); }
void TBIniSettings::SetMainCamChannel(std::uint8_t value)
{
    writeText("CAMERA", "mainCamChannel", QString::number(value));
}
int TBIniSettings::GetAuxCamChannel() const { return readPlainInt("CAMERA", "auxCamChannel"); }
void TBIniSettings::SetAuxCamChannel(std::uint8_t value)
{
    writeText("CAMERA", "auxCamChannel", QString::number(value));
}

void TBIniSettings::SetAverage(double value)
{
    writeChecked("AUTOCAPTURE", "average", cornix::FormatFloatQ("0.00", value));
    m_average = readFixedFloat("AUTOCAPTURE", "average");
}

void TBIniSettings::SetSD(double value)
{
    writeChecked("AUTOCAPTURE", "sd", cornix::FormatFloatQ("0.00", value));
    m_sd = readFixedFloat("AUTOCAPTURE", "sd");
}

void TBIniSettings::SetTolerance(double value)
{
    writeChecked("AUTOCAPTURE", "tolerance", cornix::FormatFloatQ("0.00", value));
    m_tolerance = readFixedFloat("AUTOCAPTURE", "tolerance");
}

void TBIniSettings::SetMaxFrames(std::uint16_t value)
{
    writeChecked("CAPTURE", "maxFrames", QString::number(value));
    m_maxFrames = static_cast<std::uint16_t>(readFixedInt("CAPTURE", "maxFrames"));
}

void TBIniSettings::SetPixelToMM(double value)
{
    writeChecked("METRICS", "pixelToMM", cornix::FormatFloatQ("0.000000", value));
}

void TBIniSettings::WriteIniValue(const QString &fileName, TIniKind kind, bool boolValue, const QString &text,
                                  const QString &key, const QString &section)
{
    QString stored = text;
    if (kind == TIniKind::Int)
        stored = QString::number(cornix::StrToInt(text));
    else if (kind == TIniKind::Bool)
        stored = boolValue ? QStringLiteral("1") : QStringLiteral("0");
    QByteArray content;
    QFile existing(fileName);
    if (existing.open(QIODevice::ReadOnly))
        content = existing.readAll();
    content = withIniValue(content, section.toUtf8(), key.toUtf8(), stored.toUtf8());
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(content);
        file.commit();
    }
}

QString TBIniSettings::ReadIniValue(const QString &fileName, TIniKind kind, const QString &key,
                                    const QString &section)
{
    CSimpleIniA ini;
    openIni(ini, fileName);
    const QString stored = storedText(ini, section, key);
    const QString text = stored == kError ? QString() : stored;
    switch (kind) {
    case TIniKind::Str:
        return stored;
    case TIniKind::Int: {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        return QString::number(ok ? value : 1);
    }
    case TIniKind::Bool: {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        return (ok ? value != 0 : true) ? QStringLiteral("True") : QStringLiteral("False");
    }
    }
    return kError;
}
