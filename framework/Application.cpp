#include "framework/Application.h"

#include <commctrl.h>

#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Mailbox.h"
#include "framework/Platform.h"

namespace {
TApplication TheApplication;
}

TApplication* Application = &TheApplication;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() = default;

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES};
  Platform.InitCommonControlsEx(&icc);
  OpenMailbox();
}

void TApplication::FormCreated(TForm* form) {
  mainForm_ = form;
  form->AfterConstruction();
}

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::Run() {
  mainForm_->SetVisible(true);
  MSG msg;
  while (!terminated_) {
    if (!ProcessMessage(msg)) WaitMessage();
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

std::string TApplication::ExceptionBoxText(const std::string& message) { return message + "."; }

void TApplication::ShowException(const Exception& e) {
  ShowModalBox(ExceptionBoxText(e.Message()), Title, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* sender) {
  (void)sender;
  try {
    throw;
  } catch (const EAbort&) {
    // The silent exception: unwinding was all it was for.
  } catch (const Exception& e) {
    ShowException(e);
  } catch (const std::exception& e) {
    ShowException(Exception(e.what()));
  } catch (...) {
    ShowException(Exception("Unknown exception"));
  }
}
