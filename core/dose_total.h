// The dose a logger accumulates: each second of the device adds its dose
// rate for one second. One formula for the count log, the chart's totals
// and whatever publishes them, so they never disagree.
#pragma once

// The dose in uSv that one second at doseRateUsvPerHour (DriverSecond::doseRate) adds.
constexpr double DoseOfSecondUsv(float doseRateUsvPerHour) { return double(doseRateUsvPerHour) / 3600.0; }
