#include "app/state.h"

int32_t viewAngleA = 0;
int32_t viewAngleB = 0;
float degToRad = 0;
float viewRadA = 0;
float viewRadB = 0;
float viewMatrix[8] = {};

int32_t level = 0;
int32_t pointCount = 0;
float octantOffset = 0;
dynArray pointX, pointY, pointZ;
dynArray scaledX, scaledY, scaledZ;
