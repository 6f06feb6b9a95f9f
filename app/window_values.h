#pragma once
// The bulk send's values read from the window's controls, each key through the control the
// editors' table names for it (editors/field_controls.h): edit texts, list indices, check box
// states; the channel selectors with their fills, and the commit checks of the colour and seam
// gain fields.

#include <QPointer>

#include "operations/bulk_values.h"

class QWidget;

namespace kalvora {

class Link;

// What the window's values need from the pages.
class WindowPages {
public:
    // The fills the channel selectors' handlers run, and the display page's refill.
    virtual void fillSourcePage() = 0;
    virtual void fillSeamPage() = 0;
    virtual void fillDisplayPage() = 0;
    // The commit of a numeric field; false when the field refused the entry.
    virtual bool commitField(const FieldKey& key) = 0;
    virtual int overlapWidthMax() = 0;

protected:
    ~WindowPages() = default;
};

class WindowValues : public BulkValues {
public:
    WindowValues(QWidget* root, Link& link, WindowPages& pages);

    int ListIndex(const FieldKey& key) override;
    QString Text(const FieldKey& key) override;
    bool Checked(const FieldKey& key) override;
    void SelectChannel(ChannelPage page, int index) override;
    CommitOutcome Commit(const FieldKey& key) override;
    int OverlapWidthMax() override { return pages_.overlapWidthMax(); }
    void RefillDisplayPage() override;

private:
    QPointer<QWidget> root_;
    Link& link_;
    WindowPages& pages_;
};

}  // namespace kalvora
