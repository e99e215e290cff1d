#include "runtime/state.h"

runtimeState runtime;
