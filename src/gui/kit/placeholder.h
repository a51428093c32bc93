#pragma once

#include <QWidget>
#include <functional>

namespace rq {

// Stands in for a window that is still to come: it has the window's name and title, and finishes its load
// the way the real window will (the launcher's button comes back).
class PlaceholderWindow : public QWidget {
    Q_OBJECT
  public:
    PlaceholderWindow(const QString& objectName, const QString& title,
                      const std::function<void()>& loaded = {});
};

}  // namespace rq
