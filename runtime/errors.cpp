#include "runtime/errors.h"

thread_local int32_t errorCode = 0;
