#include "catalogue_texts.h"

#include "forms.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"
#include "k6pages/k6pages.h"
#include "tform1.h"
#include "tk6form1.h"

namespace dalvex {

void FillCatalogueTexts(TK6Form1& w, const i18n::Catalogue& c, int language, i18n::Pass pass) {
    using k6link::EngineTexts;
    using k6link::TransferTexts;
    using k6pages::K6PagesTexts;
    FillTexts(w.Texts, {&K6FormTexts::Customer, &K6FormTexts::RestartQuestion, &K6FormTexts::ExitQuestion}, c,
              language, pass);
    FillTexts(w.Engine().Texts, {&EngineTexts::VersionCheck, &EngineTexts::ModuleVersion}, c, language, pass);
    FillTexts(w.Transfer().Texts,
              {&TransferTexts::Reading, &TransferTexts::ReadDone, &TransferTexts::Sending,
               &TransferTexts::SendDone, &TransferTexts::ContactId, &TransferTexts::ClockRunning,
               &TransferTexts::ClockDone},
              c, language, pass);
    if (Form1)
        FillTexts(Form1->Texts,
                  {&StartWindowTexts::NoPermission, &StartWindowTexts::PortBusy,
                   &StartWindowTexts::NoSuchPort, &StartWindowTexts::CannotOpen},
                  c, language, pass);
    if (w.Pages)
        FillTexts(w.Pages->Texts, {&K6PagesTexts::AccentWarning, &K6PagesTexts::SecurityCode}, c, language,
                  pass);
}

} // namespace dalvex
