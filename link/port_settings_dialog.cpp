#include "link/port_settings_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link/dialog_units.h"
#include "link/real_mode.h"
#include "link/serial_port.h"

namespace {

QLabel* AddLabel(QWidget* parent, const DialogUnits& du, const char* text, int x, int y, int w, int h) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QRect r = du.Rect(x, y, w, h);
    // Never cut a label short in a font wider than the one it was laid out for.
    r.setWidth(std::max(r.width(), label->sizeHint().width()));
    r.setHeight(std::max(r.height(), label->sizeHint().height()));
    label->setGeometry(r);
    return label;
}

QComboBox* AddList(QWidget* parent, const DialogUnits& du, int id, std::initializer_list<const char*> items,
                   int x, int y, int w) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("list%1").arg(id));
    for (const char* item : items) list->addItem(QString::fromLatin1(item));
    list->setMaxVisibleItems(8);
    list->setFocusPolicy(Qt::StrongFocus);
    list->setGeometry(du.X(x), du.Y(y), du.X(w), list->sizeHint().height());
    return list;
}

void Select(QComboBox* list, int index) {
    if (index >= 0 && index < list->count()) list->setCurrentIndex(index);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(QWidget* parent, const std::vector<std::string>& extraDevices)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Serial Port Setting"));
    setModal(true);
    const DialogUnits du(font());
    setFixedSize(du.X(186), du.Y(197));

    AddLabel(this, du, "Serial Port Setting:", 27, 14, 138, 10);
    AddLabel(this, du, "Port:", 19, 32, 22, 10);
    portList_ = AddList(this, du, 1034,
                        {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10",
                         "COM11", "COM12"},
                        57, 34, 101);
    for (int i = 0; i < kComItems; ++i)
        portList_->setItemData(i, QString::fromStdString(DevicePathForPort(i + 1)), Qt::ToolTipRole);
    for (const std::string& path : extraDevices) portList_->addItem(QString::fromStdString(path));
    portList_->setEditable(true);
    portList_->setInsertPolicy(QComboBox::NoInsert);
    portList_->lineEdit()->setPlaceholderText(QStringLiteral("/dev/..."));

    AddLabel(this, du, "Rate:", 19, 53, 26, 11);
    rateList_ = AddList(this, du, 1021,
                        {"110", "300", "1200", "2400", "4800", "9600", "14400", "19200", "28800", "38400",
                         "57600", "115200", "230400", "460800", "921600"},
                        57, 54, 101);
    AddLabel(this, du, "Data Bit:", 19, 75, 32, 10);
    dataBitList_ = AddList(this, du, 1022, {"4", "5", "6", "7", "8"}, 57, 73, 101);
    AddLabel(this, du, "Parity:", 19, 96, 30, 11);
    parityList_ = AddList(this, du, 1023, {"None", "Even", "Odd", "Mark", "Space"}, 57, 94, 101);
    AddLabel(this, du, "Stop Bits:", 19, 118, 34, 11);
    stopBitList_ = AddList(this, du, 1024, {"1", "2"}, 57, 116, 101);
    AddLabel(this, du, "Control:", 19, 139, 34, 11);
    controlList_ = AddList(this, du, 1025, {"None", "Xon/Xoff", "Hardware"}, 57, 137, 101);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(du.Rect(22, 176, 50, 14));
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setGeometry(du.Rect(99, 176, 50, 14));
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // A port must be named before OK means anything.
    connect(portList_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { ok_->setEnabled(!text.trimmed().isEmpty()); });

    ShowMembers();
}

void PortSettingsDialog::Preset(const PortSettings& remembered) {
    port = remembered.portIndex;
    rate = remembered.rateIndex;
    devicePath = QString::fromStdString(remembered.devicePath);
    ShowMembers();
}

void PortSettingsDialog::ShowMembers() {
    Select(controlList_, control);
    Select(dataBitList_, dataBits);
    Select(parityList_, parity);
    Select(rateList_, rate);
    Select(stopBitList_, stopBits);
    if (!devicePath.isEmpty()) {
        const int found = portList_->findText(devicePath);
        if (found >= 0) portList_->setCurrentIndex(found);
        else portList_->setEditText(devicePath);
    } else if (port >= 0 && port < kComItems) {
        portList_->setCurrentIndex(port);
    } else if (port >= kComItems && port < kMaxComNumber) {
        portList_->setEditText(QStringLiteral("COM%1").arg(port + 1));  // a COM number typed earlier
    }
    ok_->setEnabled(!portList_->currentText().trimmed().isEmpty());
}

void PortSettingsDialog::showEvent(QShowEvent* event) {
    ShowMembers();
    QDialog::showEvent(event);
}

void PortSettingsDialog::OnOk() {
    const QString text = portList_->currentText().trimmed();
    if (text.isEmpty()) return;
    stopBits = stopBitList_->currentIndex();
    rate = rateList_->currentIndex();
    const int item = portList_->findText(text);
    if (item >= 0 && item < kComItems) {
        port = item;
        devicePath.clear();
    } else {
        devicePath = text;  // "COM15", a path from the list or a typed one
    }
    parity = parityList_->currentIndex();
    dataBits = dataBitList_->currentIndex();
    control = controlList_->currentIndex();
    accept();
}

PortSettings PortSettingsDialog::Choices() const {
    PortSettings s;
    s.control = control;
    s.dataBits = dataBits;
    s.parity = parity;
    s.portIndex = port;
    s.rateIndex = rate;
    s.stopBits = stopBits;
    s.devicePath = devicePath.toStdString();
    return s;
}
