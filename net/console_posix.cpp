#include "console.h"

namespace console {

void attachToParent() {}

} // namespace console
