// The settings reader on any cornix.ini: every load either succeeds or names the key
// it cannot use, and a value written is the value read back. Input: the file.
#include "FuzzSupport.h"
#include "UBIniSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string_view>

using cornix::fuzz::Require;

namespace {

QString g_fileName;

void writeFile(const std::uint8_t *data, std::size_t size)
{
    QFile file(g_fileName);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file can be written");
    file.write(reinterpret_cast<const char *>(data), qint64(size));
}

void load()
{
    try {
        const TBIniSettings settings(g_fileName);
        (void)settings.GetBrightness();
        (void)settings.GetMainCamChannel();
        (void)settings.GetDoctorName();
        (void)TBIniSettings::RepairDecimalSeparator(settings.DecimalSeparatorText());
    } catch (const ESettingsConversionError &error) {
        Require(!error.key().isEmpty() && !error.section().isEmpty(), "a refused value names its key");
        Require(!error.message().isEmpty(), "a refused value has a message");
    } catch (const cornix::EConvertError &) {
        // A live key that does not convert (GetBrightness): the caller reports it.
    }
}

// Writing a key edits the file in place; reading it back must give what was written.
void writeAndReadBack()
{
    const QString section = QStringLiteral("CAPTURE"), key = QStringLiteral("maxFrames");
    TBIniSettings::WriteIniValue(g_fileName, TIniKind::Str, false, QStringLiteral("17"), key, section);
    const QString read = TBIniSettings::ReadIniValue(g_fileName, TIniKind::Str, key, section);
    if (read != QStringLiteral("17"))
        std::fprintf(stderr, "fuzz: wrote 17, read '%s'\n", qPrintable(read));
    Require(read == QStringLiteral("17"), "a written key reads back");
}

// The library that reads the file lets a '[' without ']' swallow the blank lines
// and the section after it ("[\n\n[CAPTURE]" is a section "[CAPTURE"): such a
// damaged file loads (its keys reported missing) but no write is expected to mend it.
bool everySectionLineCloses(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3); // the reader skips a UTF-8 mark at the start
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == '[' && line.find(']', first) == std::string_view::npos)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static QTemporaryDir folder; // TMPDIR: scripts/fuzz.sh points it at memory
    Require(folder.isValid(), "a temporary folder");
    g_fileName = folder.filePath(QStringLiteral("cornix.ini"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    writeFile(data, size);
    load();
    // The reader stops at a NUL byte (a damaged file): what follows it is missing
    // for every read, a value written there included.
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (text.find('\0') == std::string_view::npos && everySectionLineCloses(text))
        writeAndReadBack();
    return 0;
}
