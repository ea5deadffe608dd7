#pragma once
// The clinic-sized database of the records benchmarks on the local test server:
// 10,000 patients, 20 doctors and 30,000 examinations, filled once and kept in
// <build>/testdb/bench_records (delete the folder to start afresh).
#include "FirebirdTestDatabase.h"

#include <QTemporaryDir>

namespace cornix::bench {

inline constexpr int kPatients = 10000;
inline constexpr int kExaminations = 30000;
inline constexpr int kDoctors = 20;

// The name of patient i: two first names and a family name, "Maria José da Silva".
QString PatientName(int i);

// Connects to the benchmark database, filling it first when it does not exist; an
// empty module (with the reason on stderr) without a test server.
test::ConnectedModule OpenClinicDatabase();

} // namespace cornix::bench
