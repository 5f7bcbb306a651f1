#pragma once

#include "printablesheet.h"

// A small printed sheet showing what every sheet window is made of:
// captions, single-line fields (one holding a two-decimal amount), a memo, a
// combo box, a date picker, a field never printed (Hint "00"), rules, a frame
// and the two reference marks, with 打印 opening the print/fax dialog.
class DemoSheet : public PrintableSheet
{
    Q_OBJECT
    Q_DISABLE_COPY(DemoSheet)
public:
    enum Tag { Number = 10, Client = 20, Amount = 30, SailingDate = 40, Port = 50, Goods = 60, Internal = 70 };

    explicit DemoSheet(QWidget *parent = nullptr);
    ~DemoSheet() override;

    static FormTable fields();
    // Sample values of a job.
    void fillSample();
};
