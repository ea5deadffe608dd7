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
        *error = QStringLiteral("valor inválido '%1' para %2: %3").arg(value, name, what);
        return false;
    };
    if (name == QLatin1String("--roi")) {
        r.Roi = ParseRect(value);
        return r.Roi ? true : bad(QStringLiteral("use quatro inteiros esquerda,topo,direita,base"));
    }
    if (name == QLatin1String("--sensitivity")) {
        const auto t = ParseSensitivity(value);
        if (!t)
            return bad(QStringLiteral("use Alta, Normal, Baixa ou um número"));
        r.Threshold = *t;
        r.SensitivityText = value;
        return true;
    }
    if (name == QLatin1String("--mm-per-pixel")) {
        const auto v = ParseDouble(value);
        if (!v || *v <= 0)
            return bad(QStringLiteral("informe um número positivo"));
        r.MmPerPixel = v;
        return true;
    }
    if (name == QLatin1String("--format")) {
        r.Format = ParseFormat(value);
        return r.Format ? true : bad(QStringLiteral("use text, json ou csv"));
    }
    if (name == QLatin1String("--seed")) {
        bool ok = false;
        const uint seed = value.toUInt(&ok);
        if (!ok)
            return bad(QStringLiteral("informe um inteiro não negativo"));
        r.DemoSeed = seed;
        return true;
    }
    if (name == QLatin1String("--density")) {
        const auto v = ParseDouble(value);
        if (!v || *v < 200 || *v > 6000)
            return bad(QStringLiteral("informe de 200 a 6000 cel/mm²"));
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
        return QStringLiteral("região de interesse %1,%2,%3,%4 fora do quadro: ela precisa estar dentro de 0..639 × 0..479")
            .arg(roi.Left).arg(roi.Top).arg(roi.Right).arg(roi.Bottom);
    const qint64 area = qint64(r.Right - r.Left) * (r.Bottom - r.Top);
    if (area <= 50)
        return QStringLiteral("região de interesse %1,%2,%3,%4 com área de %5 pixels: a área precisa ser maior que 50")
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
        } else if (name == QLatin1String("--auto-scale")) {
            r.AutoScale = true;
        } else if (TakesValue(name)) {
            if (!inlineValue) {
                if (i + 1 >= arguments.size()) {
                    *error = QStringLiteral("a opção %1 precisa de um valor").arg(name);
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            if (!ApplyValue(r, name, value, error))
                return std::nullopt;
        } else if (name.startsWith(QLatin1Char('-')) && name.size() > 1) {
            *error = QStringLiteral("opção desconhecida %1 (veja --help)").arg(name);
            return std::nullopt;
        } else if (!r.Input.isEmpty()) {
            *error = QStringLiteral("mais de uma entrada indicada ('%1' e '%2')").arg(r.Input, name);
            return std::nullopt;
        } else {
            r.Input = name;
            r.InputArgument = i;
        }
    }
    if (r.Demo && !r.Input.isEmpty()) {
        *error = QStringLiteral("--demo não aceita arquivo de entrada");
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
        "Uso: cornix-analyse [opções] [QUADRO | PASTA]\n"
        "Analisa quadros do endotélio (BMP, PNG, JPEG, TIFF; no máximo 640 × 480) exatamente como\n"
        "a janela de exame e mostra os resultados. Sem entrada, analisa um quadro sintético\n"
        "(--demo).\n"
        "\n"
        "Opções:\n"
        "  --roi E,T,D,B          região de interesse em pixels do quadro (esquerda, topo, direita,\n"
        "                         base; padrão: a imagem recuada de um oitavo da largura e da\n"
        "                         altura em cada lado)\n"
        "  --sensitivity S        Alta (-2.5), Normal (-3.0, padrão), Baixa (-3.5) ou um limiar\n"
        "  --mm-per-pixel X       escala de comprimento (padrão: pixelToMM de --ini, senão 0.001860),\n"
        "                         de 0.0005 a 0.01 mm/pixel; pixelToPaq de 0.1 a 100 µm/pixel\n"
        "  --ini ARQUIVO          arquivo de configuração: pixelToMM, pixelToPaq, IMAGEPROCESSING,\n"
        "                         separador decimal\n"
        "  --format text|json|csv saída (padrão: text para um quadro, json para uma pasta)\n"
        "  --overlay ARQUIVO      grava o quadro com a sobreposição (cor pelo número de lados,\n"
        "                         bordas, centros) em PNG; para uma pasta, ARQUIVO é uma pasta\n"
        "  --original             desenha a sobreposição sobre a região original, não sobre a\n"
        "                         vista de contraste\n"
        "  --auto-scale           escala automática: estima o espaçamento das células e\n"
        "                         reamostra o quadro para o tamanho de célula em que a detecção\n"
        "                         é mais exata; os resultados ficam nas unidades do quadro\n"
        "  --demo                 analisa um quadro sintético\n"
        "  --seed N               semente do quadro sintético (padrão 1)\n"
        "  --density D            cel/mm² do quadro sintético (padrão 2500)\n"
        "  --save-frame ARQUIVO   grava o quadro analisado de 640 × 480 em PNG (um quadro só)\n"
        "  -h, --help             este texto\n"
        "\n"
        "Código de saída: 0 analisado, 2 linha de comando inválida, 3 entrada inválida ou\n"
        "resultados não calculados,\n"
        "4 células insuficientes (ou, com --auto-scale, espaçamento não estimado),\n"
        "5 saída não gravada.\n");
}

} // namespace cornix::cli
