#pragma once

#include "exchange/ContactMerge.h"
#include "exchange/Duplicates.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::records {

// "Find Duplicates": the pairs of contacts that are probably one person, and for the pair
// chosen its two contacts side by side with a choice per field, to merge one into the other.
class TfrmDuplicates : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDuplicates(data::TfrmDataModule& data, QWidget* parent = nullptr);

    // Looks for pairs anew; the work runs beside the window's event loop with a progress window,
    // so a large database does not freeze the program.
    void findPairs();
    // Merges the pair shown with the fields as ticked; false (after saying why) when it failed.
    bool mergeShown();
    // Exchanges which of the two contacts is kept.
    void swapSides();

    QTableWidget* pairList() const { return m_pairs; }
    QTableWidget* fieldList() const { return m_fields; }
    QPushButton* mergeButton() const { return m_merge; }
    const std::vector<exchange::DuplicatePair>& pairs() const { return m_found; }
    std::int64_t keptContact() const { return m_keep; }
    std::int64_t otherContact() const { return m_other; }
    // Ticks the other contact's value of `field` (or the kept one's).
    void choose(const QString& field, exchange::MergeSide side);

    // Runs before each merge; false stops it. The main window stores a contact being edited
    // there, so the merge never works under a half-typed record.
    std::function<bool()> beforeMerge;

signals:
    // `keep` now holds what was two contacts; the main window shows it.
    void merged(std::int64_t keep);

private:
    void showPair(int row);
    void showFields();
    QString contactName(std::int64_t counter);

    data::TfrmDataModule& m_data;
    QLabel* m_summary;
    QTableWidget* m_pairs;
    QTableWidget* m_fields;
    QPushButton* m_swap;
    QPushButton* m_merge;
    std::vector<exchange::DuplicatePair> m_found;
    std::int64_t m_keep = 0, m_other = 0;
    std::vector<exchange::MergeField> m_plan;
    bool m_filling = false;
};

} // namespace pelmora::records
