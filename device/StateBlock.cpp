#include "device/StateBlock.h"

#include "device/Device.h"

CStateBlock::CStateBlock() { capture(); }

void CStateBlock::capture() { saved = device().state(); }

void CStateBlock::apply() const { device().setState(saved); }
