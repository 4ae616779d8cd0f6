#pragma once
// The windows beside the start window and the K6 window, for the code that reaches several of them.

#include "tdphone1.h"
#include "tfirmware.h"
#include "tk6form10.h"
#include "tk6form2.h"
#include "tk6form3.h"
#include "tk6form4.h"
#include "tk6form5.h"
#include "tk6form6.h"
#include "tk6form7.h"
#include "tk6form8.h"
#include "tk6form9.h"
#include "tsmsk.h"
