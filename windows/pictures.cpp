#include "pictures.h"

namespace tarvik {

QIcon ProgramIcon() { return QIcon(); }

}  // namespace tarvik
