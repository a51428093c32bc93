#include "placeholder.h"

#include <QLabel>
#include <QVBoxLayout>

#include "kit/windowtools.h"

namespace rq {

PlaceholderWindow::PlaceholderWindow(const QString& objectName, const QString& title,
                                     const std::function<void()>& loaded) {
    setObjectName(objectName);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("This window is not available yet."), this);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    makeFixedWindow(this, 6000, 2400);
    if (loaded) {
        loaded();
    }
}

}  // namespace rq
