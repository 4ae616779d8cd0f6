#pragma once
// The program's windows. Every window is created once, hidden, by CreateForms() and lives until
// the program ends; windows reach each other through these pointers, as the handlers expect.

class QApplication;

namespace dalvex {

class TForm1;
class TK6Form1;
class TK6Form2;
class TK6Form3;
class TK6Form4;
class Tk6Form5;
class TK6Form6;
class TK6Form7;
class TK6Form8;
class TFirmware;
class TK6Form9;
class TK6Form10;
class TDPhone1;
class TSMSk;

extern TForm1* Form1;
extern TK6Form1* K6Form1;
extern TK6Form2* K6Form2;
extern TK6Form3* K6Form3;
extern TK6Form4* K6Form4;
extern Tk6Form5* k6Form5;
extern TK6Form6* K6Form6;
extern TK6Form7* K6Form7;
extern TK6Form8* K6Form8;
extern TFirmware* Firmware;
extern TK6Form9* K6Form9;
extern TK6Form10* K6Form10;
extern TDPhone1* DPhone1;
extern TSMSk* SMSk;

// Creates every window, hidden: the start window first, then the K6 window and the others.
void CreateForms();
// Destroys them again (tests).
void DestroyForms();

} // namespace dalvex
