#include "serial/serial_port_info.h"

#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "serial/real_mode.h"

namespace fs = std::filesystem;

std::string ByIdNameFor(const std::string& node, const std::string& byIdDir) {
    std::error_code ec;
    const fs::path target = fs::canonical(node, ec);
    if (ec) return std::string();
    std::vector<std::string> names;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkEc;
        if (fs::canonical(it->path(), linkEc) == target && !linkEc) names.push_back(it->path().string());
    }
    if (names.empty()) return std::string();
    std::sort(names.begin(), names.end());
    return names.front();
}

std::vector<SerialDeviceEntry> FindSerialDevices(const std::string& byIdDir) {
    std::vector<SerialDeviceEntry> byId;
    std::vector<SerialDeviceEntry> plain;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string node = info.systemLocation().toStdString();
        const PortChoice choice = ParsePortName(node);
        if (choice.portNumber >= 1 && choice.portNumber <= 12) continue;  // offered as COM1 .. COM12
        QStringList parts;
        for (const QString& text : {info.description(), info.manufacturer()})
            if (!text.isEmpty()) parts << text;
        if (!info.serialNumber().isEmpty()) parts << QStringLiteral("serial %1").arg(info.serialNumber());
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            parts << QStringLiteral("%1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        const std::string stable = ByIdNameFor(node, byIdDir);
        std::string description = parts.join(QStringLiteral(", ")).toStdString();
        if (!stable.empty()) description += (description.empty() ? "" : " ") + ("(" + node + ")");
        (stable.empty() ? plain : byId).emplace_back(stable.empty() ? node : stable, description);
    }
    byId.insert(byId.end(), plain.begin(), plain.end());
    return byId;
}
