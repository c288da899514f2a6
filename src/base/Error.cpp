#include "base/Error.h"
