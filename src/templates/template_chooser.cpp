#include "template_chooser.h"

#include "launcher/loader.h"
#include "launcher/placeholder.h"

namespace rq {

QWidget* createTemplateChooser(LoaderWindow&) {
    return new PlaceholderWindow(QStringLiteral("template_chooser"), QStringLiteral("Romquill - Template Chooser"));
}

}  // namespace rq
