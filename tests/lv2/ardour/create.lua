-- Ardour check, part 1: the plug-in is listed; a session records a take from
-- the Dummy backend's noise generator, runs it through the plug-in with a
-- response loaded from a user preset (as a user picks a file), exports it and
-- is saved.
package.path = (os.getenv("ZORVAN_CHECK_SCRIPTS") or ".") .. "/?.lua;" .. package.path
local check = require("common")

check.startEngine("Gaussian White Noise")


assert(create_session(check.dir .. "/sessions/check", "check", 48000), "cannot create the session")

-- The plug-in list (Ardour scans plug-ins with its first session).
local listed = false
for p in ARDOUR.LuaAPI.list_plugins():iter() do
	if p.unique_id == check.uri then
		print(string.format("listed: %s by %s, %s, %d audio in, %d audio out", p.name, p.creator,
			ARDOUR.PluginType.name(p.type), p.n_inputs:n_audio(), p.n_outputs:n_audio()))
		listed = true
	end
end
assert(listed, "the plug-in is not listed")
Session:cfg():set_use_region_fades(false)

-- One stereo track on the first two capture ports.
local track = Session:new_audio_track(2, 2, nil, 1, "Amp", -1, ARDOUR.TrackMode.Normal, true):front()

track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
Session:maybe_enable_record(false)
Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
sleep(2)
Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
sleep(1)
Session:disable_record(false, false)
track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
for r in track:playlist():region_list():iter() do
	local ar = r:to_audioregion()
	ar:set_fade_in_active(false)
	ar:set_fade_out_active(false)
	print(string.format("recorded region %s: %d samples", r:name(), r:length():samples()))
end

-- The plug-in joins after the take: until the export it has heard only silence.
local proc = ARDOUR.LuaAPI.new_plugin(Session, check.uri, ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "the plug-in cannot be created")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "the plug-in cannot be added")
local plugin = proc:to_insert():plugin(0)
local preset = plugin:preset_by_label("Zorvan check cabinet")
assert(preset, "the user preset with the response is not found")
assert(plugin:load_preset(preset), "the preset does not load")

-- RHYTHM, gain 7, bass 3, middle 7, treble 5, presence 2.5, volume 6, EXT.
local values = { 2.0, 1, 7.0, 3.0, 7.0, 5.0, 2.5, 6.0, 2 }
for i, v in ipairs(values) do
	assert(ARDOUR.LuaAPI.set_processor_param(proc, i - 1, v), "cannot set parameter " .. (i - 1))
end
sleep(1)

check.render(track, "render1")
assert(Session:save_state("", false, false, false, false, false) == 0, "cannot save the session")
close_session()
