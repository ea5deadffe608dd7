#pragma once
#include <QString>

// Short form of a long patient name for labels: every middle word longer than
// three characters becomes its initial and a point ("Aaaa Bbbbbb cc Ddddd Eeeee"
// gives "Aaaa B. cc D. Eeeee"). Names of two words or fewer come back trimmed.
QString AbbreviateName(const QString &name);
