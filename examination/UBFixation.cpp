#include "UBFixation.h"

#include <QCoreApplication>

namespace cornix::exam {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("TfrmExamination", text); }

QString eyeName(std::uint8_t eye) { return eye == kEyeOS ? QStringLiteral("OS") : QStringLiteral("OD"); }
} // namespace

std::optional<std::uint16_t> FixPosOfButton(const QString &buttonName)
{
    for (const TFixationButton &button : kFixationButtons)
        if (buttonName == QLatin1String(button.name))
            return button.pos;
    return std::nullopt;
}

const TFixationButton *FixationButtonAt(std::uint16_t pos)
{
    for (const TFixationButton &button : kFixationButtons)
        if (button.pos == pos)
            return &button;
    return nullptr;
}

QString FixSideFor(std::uint16_t pos, std::uint8_t eye)
{
    const TFixationButton *button = FixationButtonAt(pos);
    if (!button)
        return {};
    return QString::fromLatin1(eye == kEyeOS ? button->sideOS : button->sideOD);
}

QString FixationText(std::uint16_t pos, const QString &side)
{
    const QString hour = QString::number(pos) + QLatin1Char('h');
    return side.isEmpty() ? hour : hour + QStringLiteral(" (") + side + QLatin1Char(')');
}

QString FixationCaption(std::uint16_t pos, const QString &side)
{
    return tr("Fixação : ") + FixationText(pos, side);
}

QString EyeCaption(std::uint8_t eye) { return tr("Olho : ") + eyeName(eye); }

TEyeSides EyeSides(std::uint8_t eye)
{
    const QColor blue(0, 0, 255); // 16711680 as the window's colour value
    const QColor red(255, 0, 0);  // 255
    if (eye == kEyeOS)
        return {QStringLiteral("N"), red, QStringLiteral("T"), blue};
    return {QStringLiteral("T"), blue, QStringLiteral("N"), red};
}

QString DiscardOtherEyeQuestion(std::uint8_t newEye)
{
    return newEye == kEyeOS ? tr("Você possui imagens capturadas para OD. Deseja descartá-las?")
                            : tr("Você possui imagens capturadas para OS. Deseja descartá-las?");
}

QString NewExamOtherEyeQuestion(std::uint8_t newEye)
{
    return newEye == kEyeOS ? tr("Você possui um exame para OD. Deseja fazer um novo?")
                            : tr("Você possui um exame para OS. Deseja fazer um novo?");
}

} // namespace cornix::exam
