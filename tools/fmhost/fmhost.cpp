#include "fmhost.h"
