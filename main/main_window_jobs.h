#pragma once
// The two jobs that fill the main window with the account: the start-up
// initialisation and the binding of another area.
#include "claim/catalogue.h"
#include "services/game_service_client.h"

namespace quillet {

struct Session;

// Runs once per main window on a worker; true when the QQ and CF steps
// succeeded. The caller then runs unlock_controls with area_bound.
bool initialise_main_window(Session& s, GameServiceClient& client, ActivityCatalogue& catalogue);

// Where the initialisation ended: ready, or the step that failed (the command
// line binds an area after a failed CF step, as a user picking one would).
// QqExpired: the QQ service answered with an error code (the login is no
// longer accepted); QqFailed: it gave no answer.
enum class InitResult { Ready, QqFailed, QqExpired, CfFailed };
// keep_catalogue: a catalogue already loaded today is kept rather than
// downloaded again (a new main window after a switch of account).
InitResult initialise_main_window_result(Session& s, GameServiceClient& client,
                                         ActivityCatalogue& catalogue, bool keep_catalogue = false);
// Binds the area picked in 列表框_大区; ends with unlock_controls.
void bind_selected_area(Session& s, GameServiceClient& client, ActivityCatalogue& catalogue);

}  // namespace quillet
