#pragma once
#include <QMainWindow>

namespace kalvora {

class TKalvoraForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TKalvoraForm(QWidget* parent = nullptr);
};

}  // namespace kalvora
