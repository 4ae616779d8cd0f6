#pragma once
// The windows beside the start window and the K6 window, for the code that reaches several of them.

#include "door_phone_window.h"
#include "firmware_images.h"
#include "gsm_info_window.h"
#include "status_window.h"
#include "monitor_window.h"
#include "wiring_window.h"
#include "event_log_window.h"
#include "signal_chart_window.h"
#include "resolution_window.h"
#include "contact_window.h"
#include "firmware_window.h"
#include "service_centre_window.h"
