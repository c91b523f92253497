// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "image/image_bytes.h"

namespace tarvik {

// A synthetic calibration image made up by this project, for trying the
// editor without a real control unit: a smooth fuel map rising with load
// and engine speed (reaching above 767, so the packed high bits are in use),
// believable byte tables, and a fixed pseudo-random pattern in every other
// byte so that their pass-through from file to file can be seen.
// The same image on every call and every platform.
[[nodiscard]] ImageBytes MakeDemoImage();

}  // namespace tarvik
