// The dose a logger adds up: the device's dose rate held for one second.
// One rule for the count log, the chart's head and the MQTT state.
#pragma once

// `totalUsv` (uSv) after one more second at `doseRateUsvH` (uSv/h).
inline double AddSecondDose(double totalUsv, float doseRateUsvH) {
    return totalUsv + static_cast<double>(doseRateUsvH) / 3600.0;
}
