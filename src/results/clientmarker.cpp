#include "results/clientmarker.h"

#include "ed2kclient/clientstate.h"
#include "results/ed2klink.h"

#include <cmath>

namespace jiujiu {

ClientMarker::ClientMarker() : ClientMarker(std::make_shared<const ClientState>()) {}

ClientMarker::ClientMarker(std::shared_ptr<const ClientState> state)
    : m_state(state ? std::move(state) : std::make_shared<const ClientState>())
{}

ClientMarker::~ClientMarker() = default;

void ClientMarker::setState(std::shared_ptr<const ClientState> state)
{
    m_state = state ? std::move(state) : std::make_shared<const ClientState>();
}

void ClientMarker::noteHandedOver(const Ed2kLink &link)
{
    if (const auto file = link.file())
        m_handedOver.try_emplace(*file, m_state->isCancelled(file->hash));
}

bool ClientMarker::wasHandedOver(const Ed2kLink &link) const
{
    const auto file = link.file();
    return file && m_handedOver.contains(*file);
}

RowMark ClientMarker::markOf(const Ed2kLink &link) const
{
    const auto file = link.file();
    if (!file)
        return {};
    if (const PartMet *download = m_state->download(*file)) {
        RowMark mark{RowStatus::Downloading, std::nullopt};
        if (download->doneBytes && file->size > 0)
            mark.donePermille =
                static_cast<int>(std::floor(static_cast<double>(*download->doneBytes) * 1000.0 /
                                            static_cast<double>(file->size)));
        return mark;
    }
    if (m_state->isKnown(*file))
        return {RowStatus::Known, std::nullopt};
    const bool cancelled = m_state->isCancelled(file->hash);
    if (const auto handed = m_handedOver.find(*file); handed != m_handedOver.end())
        return {cancelled && !handed->second ? RowStatus::Cancelled : RowStatus::HandedOver,
                std::nullopt};
    return {cancelled ? RowStatus::Cancelled : RowStatus::New, std::nullopt};
}

} // namespace jiujiu
