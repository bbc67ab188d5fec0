#include "com_cables.h"

namespace nerivo::testing {

FarEnd& ComCables::plug(int number) {
    FarEnd& cable = cables_.emplace_back();
    map(number, cable.device_path());
    return cable;
}

} // namespace nerivo::testing
