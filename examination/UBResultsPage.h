#pragma once
// The texts of the results ("Resultados") and of the per-frame results group of the
// editing page, without widgets: the figures of a summary or of a saved examination
// in their formats, the examination record's figures taken from a summary, the
// memos' remaining-character counters, and the messages of the page.
#include "EndoStatistics.h"

#include <QString>
#include <QStringList>

#include <cstdint>

struct TExame;

namespace cornix::exam {

// The value labels of the group "Resumo estatístico (média imgs)", in their order.
struct TResultsTexts {
    QString TotalCells;   // lblTotalCellsValue, integer
    QString TotalArea;    // lblTotalAreaValue, "0.0000" mm²
    QString Density;      // lblDensityValue, integer
    QString SD;           // lblSDValue, "0.00"
    QString MinSize;      // lblMinSizeValue, "0.00"
    QString AvgSize;      // lblAvgSizeValue, "0.00"
    QString MaxSize;      // lblMaxSizeValue, "0.00"
    QString HexCells;     // lblHexCellsValue, "00" %
    QString CV;           // lblCVValue, "00" %
    QString AvgPaq;       // lblAvgPaqValue: "#000" from a summary, a plain integer when saved
    QString ImgsQttyUsed; // lblImgsQttyUsedValue, integer
    friend bool operator==(const TResultsTexts &, const TResultsTexts &) = default;
};

// The figures averaged over the frames in use (GenerateResults).
TResultsTexts ResultsOfSummary(const TEndoStats &summary);
// The figures of a saved examination (ShowSavedExamination); an examination of no
// cells shows 0 % hexagonal cells.
TResultsTexts ResultsOfSavedExamination(const TExame &exam);

// The value labels of the group "Resultados desta imagem" (ShowFrameResults).
struct TFrameResultsTexts {
    QString TotalCells; // lblTotalCellsValueInfoPnl
    QString TotalArea;  // lblTotalAreaValueInfoPnl, "0.0000"
    QString Density;    // lblDensityValueInfoPnl
    QString SD;         // lblSDValueInfoPnl, "0.00"
    QString MinArea;    // lblMinAreaValueInfoPnl, "0.00"
    QString AvgArea;    // lblAvgAreaValueInfoPnl, "0.00"
    QString MaxArea;    // lblMaxAreaValueInfoPnl, "0.00"
    QString HexCells;   // lblHexCellsValueInfoPnl, "00"
    QString CV;         // lblCVValueInfoPnl, "00"
    QString Paq;        // lblPaqValueInfoPnl, "#000" µm
    friend bool operator==(const TFrameResultsTexts &, const TFrameResultsTexts &) = default;
};
TFrameResultsTexts FrameResultsTexts(const TFrameStats &stats, std::uint16_t pachymetryMicrons);

// The examination record's figures from a summary (the save): counts, areas, CV as a
// fraction, six-sided cells as a count, and the two distributions joined by ";".
void StoreSummary(TExame &exam, const TEndoStats &summary);
// "3;12;40;9;1": the counts as decimal integers joined by ";".
QString JoinCounts(const TSidesHist &counts);
QString JoinCounts(const TAreaHist &counts);

// The six decimal labels as the save reads them: each must read as a number; when one
// does not, "," becomes "." in all six. False when one still does not read (the save
// stops then with the conversion error).
bool ReadDecimalLabels(QStringList &texts);

// The memos of "Laudo médico" hold 245 characters, counted as the memo keeps its
// text: every line break two characters (a carriage return and a line feed) and one
// more for the end of a text that is not empty ("ab", a break, "c": 6).
inline constexpr int kMemoLimit = 245;
int MemoLength(const QString &text);
int RemainingCharacters(const QString &text);
// The longest start of text that fits the memo.
QString FitMemo(const QString &text);

// " Não existem imagens selecionadas " (with its blanks): no frame is in use.
QString NoFramesInUseMessage();
// "Data de nascimento inválida!"
QString InvalidBirthDateMessage();
// The question of "Definir como padrão", with the stored doctor's name and CRM.
QString DefaultDoctorQuestion(const QString &storedName, const QString &storedCRM);

} // namespace cornix::exam
