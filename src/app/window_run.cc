#include "app/window_run.h"

#include <QApplication>

#include <memory>

#include "app/app_setup.h"
#include "crawler/crawl_control.h"
#include "crawler/crawl_globals.h"
#include "crawler/main_window.h"
#include "platform/file_system.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "platform/window_model.h"

namespace tarvik {

int RunWindow(int argc, char** argv, const AppOptions& options) {
  QApplication app(argc, argv);
  std::unique_ptr<DemoSite> demoSite;
  if (!PrepareNetwork(options, &demoSite)) return kExitBadArguments;

  WindowModel model;
  QtToolkit toolkit;
  QtToolkit::InstallPump();
  MainWindow mainWindow(model, toolkit, RunDirectory());
  if (!PrepareCrawl(options, mainWindow)) return kExitBadArguments;

  int status;
  {
    QtWindow window(model);
    toolkit.SetParent(&window);
    window.show();
    status = app.exec();
  }
  DestroyGlobalObjects();
  return status;
}

}  // namespace tarvik
