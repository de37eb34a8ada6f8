#pragma once
// The deleted-recipes and snapshot windows: a list of a few columns over a
// row of buttons, Close at the right.

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "resources/strings.h"

namespace bd {

class ListWindow : public QWidget {
    Q_OBJECT
public:
    QTreeWidget* list() const { return list_; }
    QPushButton* cmdRestore;
    QPushButton* cmdClose;

protected:
    // listName: the list's object name; columns: string ids of its headings.
    ListWindow(Str caption, const char* listName, const QVector<Str>& columns, QWidget* parent);
    // A button before Close.
    QPushButton* addButton(const char* name, Str caption);
    // Fills the list again (subclasses), keeping the width of the columns fit.
    void fitColumns();
    // Positions (data of column 0) of the chosen rows.
    QVector<int> chosenRows() const;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTreeWidget* list_;
    QHBoxLayout* buttons_;
};

class frmTrash : public ListWindow {
    Q_OBJECT
public:
    explicit frmTrash(QWidget* parent = nullptr);
    void restore();
    void emptyTrash();
    void fill();
    QPushButton* cmdEmpty;
};

class frmSnapshots : public ListWindow {
    Q_OBJECT
public:
    explicit frmSnapshots(QWidget* parent = nullptr);
    void restore();
    void fill();

private:
    QVector<QString> paths_;
};

} // namespace bd
