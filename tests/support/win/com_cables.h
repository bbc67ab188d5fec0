#pragma once

#include "com_pair.h"

#include <list>

namespace nerivo::testing {

// The far end of a serial cable, which the test holds: the far port of a COM pair.
using FarEnd = ComPair;

// Cables the code under test reaches by COM number, as it would serial ports: COM pairs whose
// device ends the Wine prefix knows by these numbers (NERIVO_COM_PAIRS lists them).
class ComCables {
public:
    // The cable on COM `number`. Plugged again, it is a new line under the same number, as when
    // an adapter is plugged back in, and nothing of the old one is left. It lives as long as
    // this object.
    FarEnd& plug(int number);

private:
    std::list<FarEnd> cables_;
};

} // namespace nerivo::testing
