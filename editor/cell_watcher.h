// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the main window tells a live link to an emulator: an image opened,
// and a field left (Tab, a click elsewhere, the other page, Save As,
// closing) or confirmed with Enter, with the text it holds then. Never a
// keystroke: a value being typed is not a value yet. The editor run without
// a link has no watcher.

#include <QString>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace tarvik {

class CellWatcher {
public:
    virtual ~CellWatcher() = default;
    virtual void ImageOpened(const QString& path, const ImageBytes& image) = 0;
    virtual void CellLeft(Family family, int index, const QString& text) = 0;
};

}  // namespace tarvik
