// "Serial Port Setting": the port and rate of real mode ("Other Port").
//
// The port list offers COM1 to COM12 (/dev/ttyS0 to /dev/ttyS11, the device
// path shows as the item's tool tip), then the serial devices found on this
// machine, each by its path with what identifies it; its field is editable,
// so any device path (a pseudo-terminal such as /dev/pts/3) can be typed.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "serial/remote_control.h"
#include "serial/serial_port_info.h"

class QComboBox;
class QPushButton;

class PortSettingsDialog : public QDialog {
public:
    // The list indexes, with the defaults "None", "8", "None", "COM3",
    // "115200", "1". After OK they hold the chosen indexes; Cancel leaves them.
    int32_t control = 0;
    int32_t dataBits = 4;
    int32_t parity = 0;
    int32_t port = 2;
    int32_t rate = 11;
    int32_t stopBits = 0;
    // Set after OK when the port field names a device other than the twelve
    // COM items; empty otherwise.
    QString devicePath;

    // extraDevices follow COM12 in the port list, shown as "path — description";
    // choosing one chooses its path.
    explicit PortSettingsDialog(QWidget* parent = nullptr,
                                const std::vector<SerialDeviceEntry>& extraDevices = {});

    // Presets the port and the rate (and a device path) from the remembered
    // choices; the other lists keep their defaults.
    void Preset(const PortSettings& remembered);
    // The choices as the link keeps them.
    PortSettings Choices() const;

    QComboBox* portList() const { return portList_; }
    QComboBox* rateList() const { return rateList_; }
    QComboBox* dataBitList() const { return dataBitList_; }
    QComboBox* parityList() const { return parityList_; }
    QComboBox* stopBitList() const { return stopBitList_; }
    QComboBox* controlList() const { return controlList_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    static constexpr int kComItems = 12;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Each list shows the item of its member.
    void ShowMembers();
    void OnOk();
    // The device path an item stands for ("" for the COM items and typed text).
    QString ItemPath(int item) const;

    QComboBox* portList_;
    QComboBox* rateList_;
    QComboBox* dataBitList_;
    QComboBox* parityList_;
    QComboBox* stopBitList_;
    QComboBox* controlList_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
