#include "core/count_csv.h"

#include <cstdio>

std::string CountLogLine(const CountLogRow& row) {
    char dose[32];
    std::snprintf(dose, sizeof dose, "%.6f", row.doseUsv);
    return row.time + "," + std::to_string(row.count) + "," + (row.turned ? "1" : "0") + "," +
           std::to_string(row.cpm) + "," + (row.counted ? "1" : "0") + "," + (row.alarm ? "1" : "0") + "," + dose +
           "," + std::to_string(row.noise) + "\n";
}
