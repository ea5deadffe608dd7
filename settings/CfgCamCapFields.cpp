#include "CfgCamCapFields.h"

#include "QtNumbers.h"
#include "SettingsRanges.h"
#include "UBIniSettings.h"

#include <cstdint>

static_assert(SettingsRangeOf("CAPTURE", "maxFrames")->high == TCfgCamCapFields::kMaxCaptures,
              "the dialog's maximum is the reader's");

namespace {

QString fixed2(double value) { return cornix::FormatFloatQ("0.00", value); }

bool intInRange(const QString &text, int low, int high)
{
    try {
        const std::int32_t value = cornix::StrToInt(text);
        return value >= low && value <= high;
    } catch (const cornix::EConvertError &) {
        return false;
    }
}

QString numberHint()
{
    return QStringLiteral(" (separador decimal \"%1\")").arg(QLatin1Char(cornix::DecimalSeparator()));
}

// Within the range the settings file accepts for the key (SettingsRanges.h).
bool floatInRange(const QString &text, const TSettingsRange &range)
{
    try {
        return range.Contains(cornix::StrToFloat(text));
    } catch (const cornix::EConvertError &) {
        return false;
    }
}

QString floatProblem(const char *label, const TSettingsRange &range)
{
    return QString::fromUtf8(label) + QStringLiteral(": o valor deve ser um número ") + SettingsRangeText(range) +
           numberHint() + u'.';
}

bool isInteger(const QString &text)
{
    try {
        cornix::StrToInt(text);
        return true;
    } catch (const cornix::EConvertError &) {
        return false;
    }
}

} // namespace

TCfgCamCapFields TCfgCamCapFields::Load(const TBIniSettings &settings)
{
    TCfgCamCapFields fields;
    fields.MainCam = QString::number(settings.GetMainCamChannel() & 0xFF);
    fields.AuxCam = QString::number(settings.GetAuxCamChannel() & 0xFF);
    fields.NumMaxCaptures = QString::number(settings.MaxFrames());
    fields.NCAverage = fixed2(settings.Average());
    fields.NCSD = fixed2(settings.SD());
    fields.Tolerance = fixed2(settings.Tolerance());
    fields.ClinicName = settings.GetClinicName();
    fields.ClinicAddress = settings.GetClinicAddress();
    fields.ClinicPhone = settings.GetClinicPhone();
    return fields;
}

bool TCfgCamCapFields::IsModified(const TBIniSettings &settings) const
{
    if (MainCam != QString::number(settings.GetMainCamChannel()) ||
        AuxCam != QString::number(settings.GetAuxCamChannel()) || NCAverage != fixed2(settings.Average()) ||
        NCSD != fixed2(settings.SD()) || Tolerance != fixed2(settings.Tolerance()))
        return true;
    // Only a maximum the dialog could accept counts as a change on its own.
    if (NumMaxCaptures != QString::number(settings.MaxFrames()) && isInteger(NumMaxCaptures) &&
        cornix::StrToInt(NumMaxCaptures) <= kMaxCaptures)
        return true;
    return ClinicName != settings.GetClinicName() || ClinicAddress != settings.GetClinicAddress() ||
           ClinicPhone != settings.GetClinicPhone();
}

std::optional<TCfgFieldProblem> TCfgCamCapFields::Validate() const
{
    if (!intInRange(MainCam, 0, 255))
        return TCfgFieldProblem{TCfgField::MainCam,
                                QStringLiteral("Câmera Principal: o nº do canal deve ser um número inteiro de 0 a 255.")};
    if (!intInRange(AuxCam, 0, 255))
        return TCfgFieldProblem{TCfgField::AuxCam,
                                QStringLiteral("Câmera Secundária: o nº do canal deve ser um número inteiro de 0 a 255.")};
    const TSettingsRange average = SettingsRange("AUTOCAPTURE", "average");
    const TSettingsRange sd = SettingsRange("AUTOCAPTURE", "sd");
    const TSettingsRange tolerance = SettingsRange("AUTOCAPTURE", "tolerance");
    if (!floatInRange(NCAverage, average))
        return TCfgFieldProblem{TCfgField::NCAverage, floatProblem("Média", average)};
    if (!floatInRange(NCSD, sd))
        return TCfgFieldProblem{TCfgField::NCSD, floatProblem("D.P.", sd)};
    if (!floatInRange(Tolerance, tolerance))
        return TCfgFieldProblem{TCfgField::Tolerance, floatProblem("Tolerância", tolerance)};
    if (!intInRange(NumMaxCaptures, 1, kMaxCaptures))
        return TCfgFieldProblem{
            TCfgField::NumMaxCaptures,
            QStringLiteral("Nº máximo de capturas: o valor deve ser um número inteiro de 1 a 300.")};
    return std::nullopt;
}

void TCfgCamCapFields::Save(TBIniSettings &settings) const
{
    settings.SetMainCamChannel(static_cast<std::uint8_t>(cornix::StrToInt(MainCam)));
    settings.SetAuxCamChannel(static_cast<std::uint8_t>(cornix::StrToInt(AuxCam)));
    settings.SetAverage(cornix::StrToFloat(NCAverage));
    settings.SetSD(cornix::StrToFloat(NCSD));
    settings.SetTolerance(cornix::StrToFloat(Tolerance));
    settings.SetMaxFrames(static_cast<std::uint16_t>(cornix::StrToInt(NumMaxCaptures)));
    settings.SetClinicName(ClinicName);
    settings.SetClinicAddress(ClinicAddress);
    settings.SetClinicPhone(ClinicPhone);
}
