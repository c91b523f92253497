#include "frmSplash.h"

namespace tarvik {

frmSplash::frmSplash(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("frmSplash")); }

}  // namespace tarvik
