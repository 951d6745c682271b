// The application object: start-up, the one message loop, the main form and
// the exception box. One object, `Application`, exists for the whole run.
#pragma once

#include <windows.h>

#include <new>
#include <string>

#include "framework/Classes.h"
#include "framework/SysUtils.h"

class TForm;

class TApplication : public TComponent {
public:
  TApplication();
  ~TApplication() override;

  // Initialises the common controls and opens the main thread's mailbox.
  void Initialize();

  // The text of the task-bar button and the caption of the exception box.
  std::string Title;

  // Creates a form of class T owned by the application. The new object is
  // stored into `ref` before its own construction runs, so code reached from
  // that construction finds it there. The form becomes the main form (the
  // program makes only the one); once built, its OnCreate runs, then it
  // shows itself if it is stored visible.
  template <class T>
  void CreateForm(T*& ref) {
    void* memory = ::operator new(sizeof(T));
    ref = static_cast<T*>(memory);
    T* form;
    try {
      form = new (memory) T(this);
    } catch (...) {
      ref = nullptr;
      ::operator delete(memory);
      throw;
    }
    FormCreated(form);
  }

  TForm* MainForm() const { return mainForm_; }

  // Runs the message loop until the application ends.
  void Run();
  // Ends the message loop.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Called from a catch block: shows the exception being handled in the
  // exception box; the silent abort is dropped.
  void HandleException(TObject* sender);
  // The exception box: the message and a full stop, captioned with Title,
  // stop icon and OK.
  void ShowException(const Exception& e);
  static std::string ExceptionBoxText(const std::string& message);

private:
  void FormCreated(TForm* form);
  bool ProcessMessage(MSG& msg);

  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
};

extern TApplication* Application;
