#include "com_cables.h"

namespace nerivo::testing {

FarEnd& ComCables::plug(int number) {
    for (FarEnd& cable : cables_) {
        if (cable.device_number() == number) {
            cable.plug_in_again();
            return cable;
        }
    }
    return cables_.emplace_back(number);
}

} // namespace nerivo::testing
