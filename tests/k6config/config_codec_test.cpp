#include "k6config/config_codec.h"
