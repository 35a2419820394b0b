#include "Geodesy.h"
