#include "render/Light.h"

CLight::CLight(int kind) : kind(kind) {}

void CLight::smoothStep() { position += (positionGoal - position) / smoothingDivisor; }
