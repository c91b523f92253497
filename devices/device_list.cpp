// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/device_list.h"

#include <QStringList>
#include <algorithm>

#include "devices/emu_ng.h"
#include "devices/ostrich.h"
#include "image/image_bytes.h"

namespace tarvik::devices {

QString DeviceKind::Cannot(Need need) const {
    switch (need) {
        case Need::ReadBack:
            return readsBack ? QString() : QStringLiteral("this emulator cannot read its memory back");
        case Need::WriteWhileRunning:
            return writesWhileRunning ? QString()
                                      : QStringLiteral(
                                            "this emulator holds the control unit in reset while it is written, so "
                                            "every change would stop the engine");
    }
    return {};
}

std::size_t DeviceKind::Slots() const { return imageSpan / kImageSize; }

const std::vector<DeviceKind>& Devices() {
    static const std::vector<DeviceKind> devices{OstrichKind(), EmuNgKind()};
    return devices;
}

const DeviceKind* FindDevice(const QString& name) {
    const auto& devices = Devices();
    const auto found = std::find_if(devices.begin(), devices.end(), [&](const DeviceKind& kind) {
        return name.compare(QLatin1String(kind.name.data(), static_cast<qsizetype>(kind.name.size())),
                            Qt::CaseInsensitive) == 0;
    });
    return found == devices.end() ? nullptr : &*found;
}

const DeviceKind& DefaultDevice() { return Devices().front(); }

QString DeviceNames() {
    QStringList names;
    for (const DeviceKind& kind : Devices())
        names << QStringLiteral("%1 (%2)").arg(
            QLatin1String(kind.name.data(), static_cast<qsizetype>(kind.name.size())), kind.title);
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

}  // namespace tarvik::devices
