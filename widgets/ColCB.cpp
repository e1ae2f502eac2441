#include "widgets/ColCB.h"
