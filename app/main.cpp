#include <QApplication>

#include "app/main_window.h"
#include "platform/operator.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(kalvora::kApplicationTitle);
    kalvora::TKalvoraForm form;
    form.show();
    return app.exec();
}
