#include "runtime/errors.h"

thread_local constinit int32_t errorCode = 0;
