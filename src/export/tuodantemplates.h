#pragma once

// The B/L confirmation templates and their file TuoDanRes.txt, without widgets.
//
// A template is one line of the file: its name, FieldSep, its print-captions
// flag ("1" or "0"), FieldSep, and its layout: one 21-character record per
// data field of the sheet, in the sheet's order of fields: left, top, width
// and height as "%5d", then ' ' for a visible field or '0' for a hidden one.
// The file is GB18030 text with CR LF line ends; its first line is the
// default template 0, which the sheet always rewrites with its design layout.
//
//   TuoDanTemplates list;
//   const TuoDanTemplates::Outcome read = list.load(path);   // a missing file: the default entry
//   if (!read.ok) show(read.message);                         // unreadable: list.writable() is false
//   list.setLayout(0, TuoDanTemplates::FormatLayout(designRecords));
//   for (const TuoDanTemplates::Record &r : TuoDanTemplates::ParseLayout(list.layout(n))) …
//   list.save(path);                                          // atomically, when the sheet closes

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class TuoDanTemplates
{
public:
    static constexpr int RecordLength = 21;
    static constexpr int NumberWidth = 5;
    // Every number a record holds fits its five characters.
    static constexpr int MinPosition = -9999;
    static constexpr int MaxPosition = 99999;
    static const QString DefaultName; // "提单确认"
    static const QString FileName;    // "TuoDanRes.txt"

    // One field of a layout.
    struct Record {
        QRect geometry;
        bool visible = true;
        bool operator==(const Record &other) const { return geometry == other.geometry && visible == other.visible; }
    };

    struct Outcome {
        bool ok = true;
        QString message; // why not, for the user
    };

    // A position within −9999…99999, a size within 0…99999.
    static int ClampPosition(int value);
    static int ClampSize(int value);
    static QRect Clamped(const QRect &geometry);

    // The layout text of records (each clamped first, so no number is ever
    // cut on writing).
    static QString FormatLayout(const QList<Record> &records);
    // The whole records of layout, as far as they go: a short last record and
    // anything after maxRecords are left out; a number that is not one reads 0.
    static QList<Record> ParseLayout(const QString &layout, int maxRecords);

    // Why a typed name cannot name a new template, or empty when it can: an
    // empty name, the trimmed name of a listed template, a name holding the
    // separator or a line break.
    QString nameError(const QString &typed) const;

    // The list: the default entry alone.
    TuoDanTemplates();

    // Reads path. A missing file leaves the default entry alone. Blank lines
    // are skipped; when the file does not start with a template (it is empty
    // or its first line is blank) the default entry stays first and the
    // templates follow it. An unreadable file leaves the list as it was and
    // marks it not writable, so that the file is never replaced.
    Outcome load(const QString &path);
    // Replaces path atomically with every entry not blank, one per line.
    // When the file could not be read it is left alone; templates made or
    // changed since are written to path + ".new" instead, and the outcome
    // says where (or why not).
    Outcome save(const QString &path) const;
    bool writable() const { return m_writable; }
    // The text of the file as save writes it (before encoding).
    QString fileText() const;

    int count() const { return int(m_entries.size()); }
    QString entry(int n) const { return m_entries.value(n); }
    QString name(int n) const;
    // The print-captions flag: false only when the entry's flag is exactly "0".
    bool printCaptions(int n) const;
    QString layout(int n) const;
    // Replaces entry n's layout, keeping its name and flag; nothing when n is
    // not an entry.
    void setLayout(int n, const QString &layout);
    // Appends a template without a layout; answers its index.
    int append(const QString &name, bool printCaptions);

private:
    // name, flag and layout of entry n as they stand.
    QStringList parts(int n) const;

    QStringList m_entries;
    bool m_writable = true;
    // A template was added or changed in this session.
    bool m_madeHere = false;
};
