#include "AnalyseRequest.h"

#include "UBAnalyseFrame.h"

#include <QRegularExpression>

#include <cmath>

namespace cornix::cli {

namespace {

std::optional<double> ParseDouble(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<TOutputFormat> ParseFormat(const QString &text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("text"))
        return TOutputFormat::Text;
    if (t == QLatin1String("json"))
        return TOutputFormat::Json;
    if (t == QLatin1String("csv"))
        return TOutputFormat::Csv;
    return std::nullopt;
}

// Applies one option that takes a value; false with *error set when the value is bad.
bool ApplyValue(TAnalyseRequest &r, const QString &name, const QString &value, QString *error)
{
    const auto bad = [&](const QString &what) {
        *error = QStringLiteral("invalid value '%1' for %2: %3").arg(value, name, what);
        return false;
    };
    if (name == QLatin1String("--roi")) {
        r.Roi = ParseRect(value);
        return r.Roi ? true : bad(QStringLiteral("expected Left,Top,Right,Bottom"));
    }
    if (name == QLatin1String("--sensitivity")) {
        const auto t = ParseSensitivity(value);
        if (!t)
            return bad(QStringLiteral("expected Alta, Normal, Baixa or a number"));
        r.Threshold = *t;
        r.SensitivityText = value;
        return true;
    }
    if (name == QLatin1String("--mm-per-pixel")) {
        const auto v = ParseDouble(value);
        if (!v || *v <= 0)
            return bad(QStringLiteral("expected a positive number"));
        r.MmPerPixel = v;
        return true;
    }
    if (name == QLatin1String("--format")) {
        r.Format = ParseFormat(value);
        return r.Format ? true : bad(QStringLiteral("expected text, json or csv"));
    }
    if (name == QLatin1String("--seed")) {
        bool ok = false;
        const uint seed = value.toUInt(&ok);
        if (!ok)
            return bad(QStringLiteral("expected a non-negative integer"));
        r.DemoSeed = seed;
        return true;
    }
    if (name == QLatin1String("--density")) {
        const auto v = ParseDouble(value);
        if (!v || *v < 200 || *v > 6000)
            return bad(QStringLiteral("expected cells/mm² between 200 and 6000"));
        r.DemoDensity = *v;
        return true;
    }
    if (name == QLatin1String("--ini"))
        r.IniFile = value;
    else if (name == QLatin1String("--overlay"))
        r.Overlay = value;
    else if (name == QLatin1String("--save-frame"))
        r.SaveFrame = value;
    return true;
}

bool TakesValue(const QString &name)
{
    static const QStringList names = {"--roi",     "--sensitivity", "--mm-per-pixel", "--format",    "--seed",
                                      "--density", "--ini",         "--overlay",      "--save-frame"};
    return names.contains(name);
}

} // namespace

std::optional<double> ParseSensitivity(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("alta"))
        return kHighSensitivity;
    if (t == QLatin1String("normal"))
        return kNormalSensitivity;
    if (t == QLatin1String("baixa"))
        return kLowSensitivity;
    return ParseDouble(text);
}

std::optional<TRect> ParseRect(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    std::int32_t v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return TRect{v[0], v[1], v[2], v[3]};
}

QString CheckRoi(const TRect &roi)
{
    const TRect r = NormalizedRect(roi);
    if (r.Left < 0 || r.Top < 0 || r.Right >= kFrameWidth || r.Bottom >= kFrameHeight)
        return QStringLiteral("region %1,%2,%3,%4 lies outside the 640 x 480 frame")
            .arg(roi.Left).arg(roi.Top).arg(roi.Right).arg(roi.Bottom);
    const qint64 area = qint64(r.Right - r.Left) * (r.Bottom - r.Top);
    if (area <= 50)
        return QStringLiteral("region %1,%2,%3,%4 has an area of %5 pixels; more than 50 are needed")
            .arg(roi.Left).arg(roi.Top).arg(roi.Right).arg(roi.Bottom).arg(area);
    return {};
}

TRect DefaultRoi(int width, int height)
{
    const int w = std::min(width, kFrameWidth), h = std::min(height, kFrameHeight);
    return TRect{w / 8, h / 8, w - 1 - w / 8, h - 1 - h / 8};
}

std::optional<TAnalyseRequest> ParseArguments(const QStringList &arguments, QString *error)
{
    TAnalyseRequest r;
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        QString value;
        bool inlineValue = false;
        if (name.startsWith(QLatin1String("--")) && name.contains(QLatin1Char('='))) {
            value = name.section(QLatin1Char('='), 1);
            name = name.section(QLatin1Char('='), 0, 0);
            inlineValue = true;
        }
        if (name == QLatin1String("-h") || name == QLatin1String("--help")) {
            r.ShowHelp = true;
        } else if (name == QLatin1String("--demo")) {
            r.Demo = true;
        } else if (name == QLatin1String("--original")) {
            r.OriginalView = true;
        } else if (TakesValue(name)) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    *error = QStringLiteral("option %1 needs a value").arg(name);
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            if (!ApplyValue(r, name, value, error))
                return std::nullopt;
        } else if (name.startsWith(QLatin1Char('-')) && name.size() > 1) {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(name);
            return std::nullopt;
        } else if (!r.Input.isEmpty()) {
            *error = QStringLiteral("more than one input given ('%1' and '%2')").arg(r.Input, name);
            return std::nullopt;
        } else {
            r.Input = name;
        }
    }
    if (r.Demo && !r.Input.isEmpty()) {
        *error = QStringLiteral("--demo takes no input file");
        return std::nullopt;
    }
    // With nothing to analyse the tool shows what it does on a synthetic frame.
    if (r.Input.isEmpty() && !r.ShowHelp)
        r.Demo = true;
    return r;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: cornix-analyse [options] [FRAME | FOLDER]\n"
        "Analyses endothelium frames (BMP, PNG, JPEG, TIFF; at most 640 x 480) exactly as the\n"
        "examination window does and prints the figures. Without an input it analyses a\n"
        "synthetic frame (--demo).\n"
        "\n"
        "Options:\n"
        "  --roi L,T,R,B          region of interest in frame pixels (default: the image inset\n"
        "                         by an eighth of its width and height on each side)\n"
        "  --sensitivity S        Alta (-2.5), Normal (-3.0, default), Baixa (-3.5) or a threshold\n"
        "  --mm-per-pixel X       length scale (default: pixelToMM of --ini, else 0.001860)\n"
        "  --ini FILE             settings file: pixelToMM, pixelToPaq, IMAGEPROCESSING, decimal separator\n"
        "  --format text|json|csv output (default: text for a frame, json for a folder)\n"
        "  --overlay FILE         write the frame with its overlay (colour by sides, edges,\n"
        "                         centres) as PNG; for a folder, FILE is a folder\n"
        "  --original             draw the overlay over the original region, not the contrast view\n"
        "  --demo                 analyse a synthetic frame\n"
        "  --seed N               seed of the synthetic frame (default 1)\n"
        "  --density D            cells/mm² of the synthetic frame (default 2500)\n"
        "  --save-frame FILE      write the analysed 640 x 480 frame as PNG\n"
        "  -h, --help             this text\n"
        "\n"
        "Exit status: 0 analysed, 2 bad command line, 3 bad input, 4 too few cells, 5 output not written.\n");
}

} // namespace cornix::cli
