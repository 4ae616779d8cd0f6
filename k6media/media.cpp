#include "media.h"
