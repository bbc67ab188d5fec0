#pragma once

#include "com_dir.h"
#include "pty_pair.h"

#include <list>

namespace nerivo::testing {

// The far end of a serial cable, which the test holds: a pseudo-terminal's master.
using FarEnd = PtyPair;

// Cables the code under test reaches by COM number, as it would serial ports: pseudo-terminal
// pairs, mapped in a COM folder (NERIVO_COM_DIR) for as long as the object lives.
class ComCables : public ComDir {
public:
    // A new cable on COM `number`, in place of any before it there, as when an adapter is
    // plugged in. Its far end lives as long as this object.
    FarEnd& plug(int number);

private:
    std::list<FarEnd> cables_;
};

} // namespace nerivo::testing
