#include "forms.h"

#include "aux_forms.h"
#include "tfirmware.h"
#include "tform1.h"
#include "tk6form1.h"
#include "tk6form4.h"
#include "tk6form7.h"
#include "tk6form8.h"
#include "tk6form9.h"
#include "tk6form2.h"
#include "tk6form3.h"
#include "tk6form10.h"
#include "tsmsk.h"
#include "tk6form5.h"
#include "tk6form6.h"
#include "own_activation.h"

namespace dalvex {

TForm1* Form1 = nullptr;
TK6Form1* K6Form1 = nullptr;
TK6Form2* K6Form2 = nullptr;
TK6Form3* K6Form3 = nullptr;
TK6Form4* K6Form4 = nullptr;
Tk6Form5* k6Form5 = nullptr;
TK6Form6* K6Form6 = nullptr;
TK6Form7* K6Form7 = nullptr;
TK6Form8* K6Form8 = nullptr;
TFirmware* Firmware = nullptr;
TK6Form9* K6Form9 = nullptr;
TK6Form10* K6Form10 = nullptr;
TDPhone1* DPhone1 = nullptr;
TSMSk* SMSk = nullptr;

void CreateForms() {
    // Activation handlers run when activation moves between our windows, not on a return from
    // another program.
    OwnActivation::Watch();
    Form1 = new TForm1;
    K6Form1 = new TK6Form1;
    K6Form2 = new TK6Form2;
    K6Form3 = new TK6Form3;
    K6Form4 = new TK6Form4;
    K6Form6 = new TK6Form6;
    K6Form7 = new TK6Form7;
    K6Form8 = new TK6Form8;
    Firmware = new TFirmware;
    K6Form9 = new TK6Form9;
    k6Form5 = new Tk6Form5;
    K6Form10 = new TK6Form10;
    DPhone1 = new TDPhone1;
    SMSk = new TSMSk;
}

void DestroyForms() {
    // The other windows first: they may still refer to the start window while closing.
    delete SMSk;
    delete DPhone1;
    delete K6Form10;
    delete k6Form5;
    delete K6Form9;
    delete Firmware;
    delete K6Form8;
    delete K6Form7;
    delete K6Form6;
    delete K6Form4;
    delete K6Form3;
    delete K6Form2;
    delete K6Form1;
    delete Form1;
    SMSk = nullptr;
    DPhone1 = nullptr;
    K6Form10 = nullptr;
    k6Form5 = nullptr;
    K6Form9 = nullptr;
    Firmware = nullptr;
    K6Form8 = nullptr;
    K6Form7 = nullptr;
    K6Form6 = nullptr;
    K6Form4 = nullptr;
    K6Form3 = nullptr;
    K6Form2 = nullptr;
    K6Form1 = nullptr;
    Form1 = nullptr;
}

} // namespace dalvex
