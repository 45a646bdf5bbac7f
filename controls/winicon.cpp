#include "controls/winicon.h"

int TWinIcon::SetIcon(const std::string& /*path*/) { return 0; }
