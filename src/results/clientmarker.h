#pragma once

#include "ed2kclient/fileid.h"
#include "results/rowstatus.h"

#include <map>
#include <memory>
#include <optional>

namespace jiujiu {

class ClientState;
struct Ed2kLink;

// The status of result rows: what the client's files say of the file a row's link names, and
// which files this run handed to the client. Shared by the window and jiujiu-cli.
//
// A download in progress wins, then a file the client has. A file handed over in this run reads
// 已交给客户端 until the client shows it downloading or having it, or cancelled after the
// hand-off (a cancellation recorded before it is an old one the hand-off overrides).
class ClientMarker final
{
public:
    ClientMarker();
    explicit ClientMarker(std::shared_ptr<const ClientState> state);
    ~ClientMarker();
    ClientMarker(const ClientMarker &) = default;
    ClientMarker &operator=(const ClientMarker &) = default;

    const ClientState &state() const { return *m_state; }
    void setState(std::shared_ptr<const ClientState> state);

    // A link handed to the client; links that name no file are left alone.
    void noteHandedOver(const Ed2kLink &link);
    bool wasHandedOver(const Ed2kLink &link) const;

    RowMark markOf(const Ed2kLink &link) const;

private:
    std::shared_ptr<const ClientState> m_state;
    // Handed-over files, each with whether the client had it cancelled at the time.
    std::map<FileId, bool> m_handedOver;
};

} // namespace jiujiu
