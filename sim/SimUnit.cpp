#include "SimUnit.h"
