#pragma once
// Taking a simulated card out of its reader: moves the card's host folder away and back, so
// that its drive has no root. Only under Wine, where the folder is reached through Z:.
//
//     CCardAway away('Y');
//     ASSERT_TRUE(away.Move());     // "Y:\" is gone
//     ...                           // the destructor puts the card back

#include <string>

class CCardAway {
public:
    explicit CCardAway(char letter);
    ~CCardAway(); // puts the card back
    CCardAway(const CCardAway&) = delete;
    CCardAway& operator=(const CCardAway&) = delete;

    bool CanMove() const { return !m_strFolder.empty(); }
    bool Move();
    bool Back();

private:
    std::string m_strFolder;
    bool m_bAway = false;
};
