#include "aux_forms.h"
