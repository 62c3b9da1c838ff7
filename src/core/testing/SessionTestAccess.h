#pragma once
// The session's state set directly, as start-up or an earlier step would leave it, for the
// tests, benchmarks and fuzz targets that start from a given state rather than from FormCreate:
//
//     qm::SessionTestAccess(session).setTopLine(120);
//
// The program itself changes the state only through the session's handlers.
#include "core/shell/Session.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qm {

class SessionTestAccess {
public:
    explicit SessionTestAccess(Session& session)
        : m_s(session) {}

    void setLocations(const Locations& locations) { m_s.m_loc = locations; }
    // One of the paths, e.g. setLocation(&Locations::bookmarkFile, path).
    void setLocation(std::string Locations::*field, const std::string& value) {
        m_s.m_loc.*field = value;
    }
    void setExeFolderForPrograms(const std::string& folder) { m_s.m_exeFolderForPrograms = folder; }

    void setDisplayLines(LineBuffer lines) { m_s.m_displayLines.assign(std::move(lines)); }
    // Line index becomes line; an index past the list changes nothing.
    void setDisplayLine(std::size_t index, const std::string& line) {
        if (index < m_s.displayLines().size()) m_s.m_displayLines.replace(index, line);
    }
    void setHaveDisplayList(bool have) { m_s.m_haveDisplayList = have; }
    void setCurrentTextPath(const std::string& path) { m_s.m_currentTextPath = path; }
    void setTextKey(const std::string& key) { m_s.m_textKey = key; }
    void setBookKey(const std::string& key) { m_s.m_bookKey = key; }
    void setEntryKey(const std::string& key) { m_s.m_entryKey = key; }
    void setCaptionTitle(const std::string& title) { m_s.m_captionTitle = title; }
    void setIndexFile(const std::string& path) { m_s.m_indexFile = path; }
    void setOpenDialogFileName(const std::string& path) { m_s.m_openDialogFileName = path; }
    void setEmbeddedBook(Lines lines) { m_s.m_embeddedBook = std::move(lines); }

    void setTopLine(int top) { m_s.m_topLine = top; }
    void setNextTopLine(int nextTop) { m_s.m_nextTopLine = nextTop; }
    void setPageTurned(bool turned) { m_s.m_pageTurned = turned; }
    void setCurrentShade(int shade) { m_s.m_currentShade = shade; }
    void setColours(const ColourTable& colours) { m_s.m_colours = colours; }
    // The line read aloud, lit on the pages drawn from now on.
    void setLitLine(int line) { m_s.m_litLine = line; }

    void setCatalogue(Lines lines) { m_s.m_catalogue = std::move(lines); }
    void setCatalogueSourceFile(const std::string& path) { m_s.m_catalogueSourceFile = path; }
    void adoptBookmarks(Lines list, int headerIndex) {
        m_s.m_bookmarks.adopt(std::move(list), headerIndex);
    }
    void clearBookmarks() { m_s.m_bookmarks.clear(); }
    void setIndexNodes(std::vector<IndexNode> nodes) { m_s.m_indexNodes = std::move(nodes); }
    void setLastFollowedEntry(const std::string& entry) { m_s.m_lastFollowedEntry = entry; }
    void setLayout(const WindowLayout& layout) { m_s.m_layout = layout; }

    // A control's state as some earlier step left it.
    void setControlEnabled(Control control, bool enabled) {
        m_s.m_controls.setEnabled(control, enabled);
    }
    void setControlVisible(Control control, bool visible) {
        m_s.m_controls.setVisible(control, visible);
    }

private:
    Session& m_s;
};

} // namespace qm
