#include "cli/progress_display.h"

#include <algorithm>

namespace corvane {

CProgressDisplay::CProgressDisplay(const CTerminal& terminal, std::FILE* stream)
    : m_terminal(terminal), m_pStream(stream), m_bTerminal(CTerminal::IsTerminal(stream)) {}

std::string CProgressDisplay::BarText(int position, int upper, int columns) {
    upper = std::max(upper, 0);
    position = std::clamp(position, 0, upper);
    const std::string count = " " + std::to_string(position) + "/" + std::to_string(upper);
    const int width = std::max(10, std::min(columns - 1, 80) - static_cast<int>(count.size()) - 2);
    const int filled =
        upper > 0 ? static_cast<int>(static_cast<long long>(width) * position / upper) : 0;
    return "[" + std::string(filled, '#') + std::string(width - filled, ' ') + "]" + count;
}

void CProgressDisplay::Erase() {
    if (m_bTerminal && m_bVisible) std::fputs("\r\033[K", m_pStream);
}

void CProgressDisplay::Draw() {
    if (!m_bTerminal || !m_bVisible) return;
    std::string text = BarText(m_nPosition, m_nUpper, CTerminal::Columns(m_pStream));
    std::fputs(text.c_str(), m_pStream);
    std::fflush(m_pStream);
}

void CProgressDisplay::AddLine(const std::string& sjis) {
    Erase();
    m_terminal.PrintLine(m_pStream, sjis);
    Draw();
}

void CProgressDisplay::Show(int position, int upper) {
    Erase();
    m_bVisible = true;
    m_nPosition = position;
    m_nUpper = upper;
    Draw();
}

void CProgressDisplay::Hide() {
    Erase();
    m_bVisible = false;
    std::fflush(m_pStream);
}

}  // namespace corvane
