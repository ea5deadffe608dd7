#pragma once
// Records used by the records tests: patients, doctors, examinations and a frame
// buffer holding one report frame.
#include "UBFrameBuffer.h"
#include "UDataBaseCornyx.h"
#include "UExame.h"

#include <QColor>
#include <QImage>

namespace cornix::test {

inline TPaciente MakePatient(int prontuario, const QString &name, const QString &cpf = GenerateCPF())
{
    TPaciente p;
    p.Prontuario = QString::number(prontuario);
    p.Nome = name;
    p.Sexo = QStringLiteral("F");
    p.CPF = cpf;
    p.Nascimento = QStringLiteral("10/05/1980");
    p.Email = QStringLiteral("Paciente@Exemplo.com.br");
    p.Observacoes = QStringLiteral("Observação\nsegunda linha");
    return p;
}

inline TMedico MakeDoctor(const QString &name, const QString &sex, const QString &crm)
{
    TMedico d;
    d.Nome = name;
    d.Sexo = sex;
    d.CRM = crm;
    d.Nascimento = QStringLiteral("01/02/1970");
    return d;
}

inline TExame MakeExam(int doctorID, int patientID)
{
    TExame e;
    e.DoctorID = doctorID;
    e.PatientID = patientID;
    e.Eye = 1;
    e.FixSide = QStringLiteral("N");
    e.FixPos = 2;
    e.Firmware = QStringLiteral("FW 1.2");
    e.Software = QStringLiteral("Cornix 1.0");
    e.TotalCells = 123;
    e.AnalysedArea = 0.0456;
    e.Density = 2697;
    e.SD = 120.25;
    e.AreaMin = 150.5;
    e.AreaMean = 370.75;
    e.AreaMax = 820.125;
    e.Hexagonal = 70;
    e.CV = 0.325;
    e.TotalImages = 3;
    e.Pachymetry = 545;
    e.MorphoInfo = QStringLiteral("3;12;70;30;8");
    e.MegatInfo = QStringLiteral("1;2;10;40;50;15;5");
    e.Diagnosis = QStringLiteral("Córnea transparente");
    e.Observation = QStringLiteral("Sem alterações");
    return e;
}

// A buffer of two frames whose second one is the report frame, with both crops made.
inline void FillFrames(TBFrameBuffer &frames, bool withCrops = true)
{
    for (int f = 0; f < 2; ++f) {
        QImage image(640, 480, QImage::Format_RGB888);
        image.fill(QColor(40 + 60 * f, 90, 160));
        frames.AddFrame(image, QStringLiteral("N"), 2, -3.0, {}, {100, 100, 300, 250}, 1);
        if (withCrops) {
            frames.MakeCrop(f, image, CropOriginal, {100, 100, 300, 250});
            frames.MakeCrop(f, image, CropProcessed, {100, 100, 300, 250});
        }
    }
    frames.SetPrintIt(1, true);
}

} // namespace cornix::test
