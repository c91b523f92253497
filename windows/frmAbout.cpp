#include "frmAbout.h"

namespace tarvik {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) { setObjectName(QStringLiteral("frmAbout")); }

}  // namespace tarvik
