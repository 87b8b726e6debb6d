-- Ardour check, part 2: the session, moved one level deeper with its original
-- response renamed, opens and renders as before.
package.path = (os.getenv("ZORVAN_CHECK_SCRIPTS") or ".") .. "/?.lua;" .. package.path
local check = require("common")

check.startEngine(nil)
assert(load_session(check.dir .. "/sessions/deeper/check", "check"), "cannot open the moved session")
local route = Session:route_by_name("Amp")
assert(not route:isnil(), "the track is missing")
local track = route:to_track()
assert(check.ourPlugin(track), "the plug-in is missing from the track")
check.render(track, "render2")
close_session()
