#pragma once
// The record of one examination: as the examination window keeps it while the
// examination is made or shown, as the data access object stores it in EXAME
// and as a stored examination is read back. Field order follows the EXM_ columns.
#include <QString>

#include <cstdint>

struct TExame {
    std::int32_t ID = -1;        // EXM_ID; -1 = not yet stored
    std::int32_t DoctorID = 0;   // EXM_MEDICO / MED_ID
    QString DoctorName;          // MED_NOME
    QString DoctorCRM;           // MED_CRM, the doctor's registration number
    std::int32_t PatientID = 0;  // EXM_PACIENTE
    std::int32_t Prontuario = 0; // PAC_PRONTUARIO, the patient's record number
    std::int32_t Age = 0;        // whole years at the examination date (0..255)
    QString DateText;            // EXM_DATA, "dd/mm/yyyy"; set by the save
    QString TimeText;            // EXM_HORA; set by the save
    std::int32_t Eye = 0;        // EXM_OLHO: 0 = OD, 1 = OS
    QString FixSide;             // EXM_FIX_SIDE: empty, "N" or "T" (at most one character)
    std::uint16_t FixPos = 0;    // EXM_FIX_POS: clock position 0..12
    QString Firmware;            // EXM_FIRMWARE
    QString Software;            // EXM_SOFTWARE
    std::int32_t TotalCells = 0; // EXM_TOTALCELULAS: summary CellCount
    double AnalysedArea = 0;     // EXM_AREAANALISADA: mm²
    std::int32_t Density = 0;    // EXM_DENSIDADE: cells/mm²
    double SD = 0;               // EXM_DP: standard deviation of the cell area, µm²
    double AreaMin = 0;          // EXM_AREAMIN: µm²
    double AreaMean = 0;         // EXM_AREAMED: µm²
    double AreaMax = 0;          // EXM_AREAMAX: µm²
    std::int32_t Hexagonal = 0;  // EXM_HEXAGONAIS: number of six-sided cells (a count)
    double CV = 0;               // EXM_COEFVAR: coefficient of variation as a fraction (0.35)
    std::int32_t TotalImages = 0; // EXM_TOTALIMG: frames used
    std::int32_t Pachymetry = 0; // EXM_PAQUIMETRIA: µm
    QString MorphoInfo;          // EXM_MORPHOINFO: "4;5;6;7;other" side counts
    QString MegatInfo;           // EXM_MEGATINFO: seven area counts, >= 700 µm² first
    QString CropOrigPath;        // EXM_IMG_CROP_ORIG: full path of "Crop.bmp"
    QString CropProcPath;        // EXM_IMG_CROP_PROC: full path of "Process.bmp"
    QString Diagnosis;           // EXM_DIAGNOSTICO
    QString Observation;         // EXM_OBSERVACAO
};
