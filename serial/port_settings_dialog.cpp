#include "serial/port_settings_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPushButton>

#include "serial/dialog_units.h"
#include "serial/real_mode.h"
#include "serial/serial_port.h"

namespace {

QComboBox* AddList(QWidget* parent, const DialogUnits& du, int id, const QStringList& items, int x, int y, int w) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("list%1").arg(id));
    list->addItems(items);
    list->setMaxVisibleItems(8);
    list->setFocusPolicy(Qt::StrongFocus);
    list->setGeometry(du.X(x), du.Y(y), du.X(w), list->sizeHint().height());
    return list;
}

QString ComName(int n) { return QStringLiteral("COM%1").arg(n); }

void Select(QComboBox* list, int index) {
    if (index >= 0 && index < list->count()) list->setCurrentIndex(index);
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(QWidget* parent, const std::vector<SerialDeviceEntry>& extraDevices)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Serial Port Setting"));
    setModal(true);
    const DialogUnits du(font());
    setFixedSize(du.X(186), du.Y(197));

    QStringList comItems;
    for (int i = 0; i < kComItems; ++i) comItems << ComName(i + 1);
    AddDialogLabel(this, du, QStringLiteral("Serial Port Setting:"), 27, 14, 138, 10);
    AddDialogLabel(this, du, QStringLiteral("Port:"), 19, 32, 22, 10);
    portList_ = AddList(this, du, 1034, comItems, 57, 34, 101);
    for (int i = 0; i < kComItems; ++i)
        portList_->setItemData(i, QString::fromStdString(DevicePathForPort(i + 1)), Qt::ToolTipRole);
    for (const SerialDeviceEntry& device : extraDevices) {
        const QString path = QString::fromStdString(device.path);
        const QString description = QString::fromStdString(device.description);
        portList_->addItem(description.isEmpty() ? path : path + QStringLiteral(" \u2014 ") + description, path);
        portList_->setItemData(portList_->count() - 1, description.isEmpty() ? path : path + '\n' + description,
                               Qt::ToolTipRole);
    }
    // The descriptions are long: the open list may be wider than the field.
    portList_->view()->setMinimumWidth(portList_->view()->sizeHintForColumn(0));
    portList_->setEditable(true);
    portList_->setInsertPolicy(QComboBox::NoInsert);
    portList_->lineEdit()->setPlaceholderText(QStringLiteral("/dev/..."));

    // The rates the port opens at, so the list and the line never disagree.
    QStringList rateItems;
    for (int rate : kRates) rateItems << QString::number(rate);
    AddDialogLabel(this, du, QStringLiteral("Rate:"), 19, 53, 26, 11);
    rateList_ = AddList(this, du, 1021, rateItems, 57, 54, 101);
    AddDialogLabel(this, du, QStringLiteral("Data Bit:"), 19, 75, 32, 10);
    dataBitList_ = AddList(this, du, 1022, {"4", "5", "6", "7", "8"}, 57, 73, 101);
    AddDialogLabel(this, du, QStringLiteral("Parity:"), 19, 96, 30, 11);
    parityList_ = AddList(this, du, 1023, {"None", "Even", "Odd", "Mark", "Space"}, 57, 94, 101);
    AddDialogLabel(this, du, QStringLiteral("Stop Bits:"), 19, 118, 34, 11);
    stopBitList_ = AddList(this, du, 1024, {"1", "2"}, 57, 116, 101);
    AddDialogLabel(this, du, QStringLiteral("Control:"), 19, 139, 34, 11);
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
        int found = portList_->findData(devicePath);
        if (found < 0) found = portList_->findText(devicePath);
        if (found >= 0) portList_->setCurrentIndex(found);
        else portList_->setEditText(devicePath);
    } else if (port >= 0 && port < kComItems) {
        portList_->setCurrentIndex(port);
    } else if (port >= kComItems && port < kMaxComNumber) {
        portList_->setEditText(ComName(port + 1));  // a COM number typed earlier
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
    } else if (item >= kComItems && !ItemPath(item).isEmpty()) {
        devicePath = ItemPath(item);
    } else {
        devicePath = text;  // "COM15", a path from the list or a typed one
    }
    parity = parityList_->currentIndex();
    dataBits = dataBitList_->currentIndex();
    control = controlList_->currentIndex();
    accept();
}

QString PortSettingsDialog::ItemPath(int item) const { return portList_->itemData(item).toString(); }

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
