#include "FakePorts.h"
