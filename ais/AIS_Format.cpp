#include "AIS_Codec.h"
