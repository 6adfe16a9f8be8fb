// Renders the main window's two pages offscreen, with a few sample rows, into
// <dir>/main_window_home.png and <dir>/main_window_config.png.
//   tarvik_screenshots docs
#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "crawler/control_ids.h"
#include "crawler/main_window.h"
#include "platform/encoding.h"
#include "platform/headless_toolkit.h"
#include "platform/qt/qt_window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarvik_screenshots DIR\n");
    return 2;
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setFont(QFont("WenQuanYi Micro Hei", 9));

  using namespace tarvik;
  WindowModel model;
  HeadlessToolkit toolkit;
  MainWindow mainWindow(model, toolkit, "/opt/tarvik");
  const char* titles[] = {"风景 第一辑", "城市夜色", "花卉特写", "海边日落"};
  const int counts[] = {24, 31, 18, 40};
  for (int i = 0; i < 4; ++i) {
    int row = model.ListAppendRow(kListResults);
    model.ListSetCell(kListResults, row, 0, std::to_string(row + 1));
    model.ListSetCell(kListResults, row, 1, Utf8ToGbk(titles[i]));
    model.ListSetCell(kListResults, row, 2, std::to_string(counts[i]));
    model.ListSetCell(kListResults, row, 3, std::to_string(i < 2 ? counts[i] : counts[i] / 3));
  }
  model.SetStatusText(0, Utf8ToGbk("已下载图片：86/113"));
  model.SetStatusText(1, Utf8ToGbk("正在采集任务数：2"));
  model.SetStatusText(2, Utf8ToGbk("正在下载的任务数：10"));

  QtWindow window(model);
  window.show();
  window.Refresh();
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const char* names[] = {"main_window_home.png", "main_window_config.png"};
  for (int page = 0; page < 2; ++page) {
    window.ShowPage(page);
    QApplication::processEvents();
    if (!window.grab().save(dir + "/" + names[page])) {
      std::fprintf(stderr, "tarvik_screenshots: cannot write %s\n", names[page]);
      return 1;
    }
  }
  return 0;
}
