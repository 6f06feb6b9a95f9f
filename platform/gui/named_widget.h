#pragma once
// Controls carry the names the other parts of the program and the tests look them up by.

#include <QString>
#include <QWidget>
#include <utility>

namespace kalvora {

template <typename W, typename... Args>
W* MakeNamed(QWidget* parent, const QString& name, Args&&... args)
{
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    return w;
}

// The one control of a given name below root; nullptr when there is none.
template <typename W = QWidget>
W* FindNamed(const QObject* root, const QString& name)
{
    return root ? root->findChild<W*>(name) : nullptr;
}

}  // namespace kalvora
