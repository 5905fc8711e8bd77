// Configuration record of the Trel family: 707 bytes. Tool version at 587, network block at
// 537, reserved address at 370, server time-out at 374, checksum at 610.
#pragma once

#include "model/CFctTabConf.h"

class CFctTabConfTrel : public CFctTabConf {
  public:
    static constexpr model::ConfLayout kLayout{707, 587, 537, 370, 374, 610};

    explicit CFctTabConfTrel(comm::IControllerLink& reader = comm::ComClientLink())
        : CFctTabConf(reader, kLayout) {
        Reset();
    }
};
