#pragma once

// What the benchmarks of windows share: dialogs that show nothing, the launcher's context on a file and its
// template, and a window opened, shown once and closed again.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <optional>
#include <string>

#include "kit/dialogs.h"
#include "kit/launchercontext.h"

namespace rq::bench {

class SilentDialogs final : public kit::Dialogs {
  public:
    Answer message(QWidget*, const QString&, const QString&, Icon, Buttons) override { return Answer::Ok; }
    std::optional<QString> openFile(QWidget*, const FileRequest&) override { return std::nullopt; }
    std::optional<SaveChoice> saveFile(QWidget*, const FileRequest&) override { return std::nullopt; }
};

inline kit::LauncherContextPtr launcherOn(const std::string& gamePath, const std::string& templatePath) {
    static SilentDialogs dialogs;
    auto context = std::make_shared<kit::LauncherContext>(dialogs);
    context->state.loadedPath = gamePath;
    context->state.templatePath = templatePath;
    return context;
}

// Read, shown and painted once, then gone.
inline void openWindow(benchmark::State& state, const kit::WindowFactory& make,
                       const kit::LauncherContextPtr& context) {
    for (auto _ : state) {
        QWidget* window = make(context);
        window->show();
        QApplication::processEvents();
        delete window;
    }
}

}  // namespace rq::bench
