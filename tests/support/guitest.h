#pragma once
// Helpers for the tests that drive windows.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <QtTest>

namespace bdtest {

// The entries of a list, in list order.
inline QStringList texts(const QAbstractItemView* list)
{
    QStringList out;
    const QAbstractItemModel* model = list->model();
    for (int i = 0; i < model->rowCount(); ++i)
        out << model->index(i, 0).data().toString();
    return out;
}

// Closing a secondary window each way a user can.

enum class CloseWay { Button, CloseBox, Escape };

inline void addCloseWays()
{
    QTest::addColumn<CloseWay>("way");
    QTest::newRow("its Close button") << CloseWay::Button;
    QTest::newRow("the close box") << CloseWay::CloseBox;
    QTest::newRow("Escape") << CloseWay::Escape;
}

// Closes window as the row asks (Escape typed into focus) and lets it go;
// true if it is gone.
inline bool closeBy(CloseWay way, QWidget* window, QAbstractButton* button, QWidget* focus)
{
    QPointer<QWidget> guard(window);
    switch (way) {
    case CloseWay::Button: button->click(); break;
    case CloseWay::CloseBox: window->close(); break;
    case CloseWay::Escape: QTest::keyClick(focus, Qt::Key_Escape); break;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return guard.isNull();
}

} // namespace bdtest

Q_DECLARE_METATYPE(bdtest::CloseWay)
