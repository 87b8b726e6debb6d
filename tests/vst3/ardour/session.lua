-- Headless Ardour (ardour7-lua, Dummy backend): two tracks fed by the same
-- generated input, one through the VST3 bundle, one through the VST 2.4
-- library, each with the same settings; the first track's output goes to
-- the master's left input, the second's to its right, and the master is
-- exported as 32-bit float WAV. ZV3_MODE=create builds and saves the session,
-- ZV3_MODE=restore loads it again (the plug-ins from their saved state) and
-- exports once more.
local dir = os.getenv("ZV3_SESSION_DIR")
local out = os.getenv("ZV3_EXPORT_DIR")
local mode = os.getenv("ZV3_MODE")
local name = "zv3"
local rate = 48000
local seconds = 4
local name_of = "Zorvan Ferroharmonic Lite"
-- Input, mode (RHYTHM), gain, bass, mid, treble, presence, volume, cabinet (INT.).
-- The VST3 switch takes its position (1 = RHYTHM), the VST 2.4 one the raw 0.5.
local vst3_values = { 0.6, 1, 0.8, 0.3, 0.7, 0.4, 0.6, 0.45, 0 }
local vst2_values = { 0.6, 0.5, 0.8, 0.3, 0.7, 0.4, 0.6, 0.45, 0 }
-- The session is saved with the cabinet OFF (position 1, raw 0.5): the built-in
-- cabinet's response depends on how often each plug-in was resumed (its
-- decimation filters run on from one rebuild to the next), and Ardour resumes
-- the two formats a different number of times while it restores them.
local saved_cabinet_vst3, saved_cabinet_vst2 = 1, 0.5

local function fail(msg) print("FAIL: " .. msg) os.exit(1) end

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
if not backend then fail("no Dummy backend") end
backend:set_device_name("Uniform White Noise")

local s
if mode == "create" then
	s = create_session(dir, name, rate)
else
	s = load_session(dir, name)
end
if not s then fail("no session") end

local function plugin_of(route)
	local p = route:nth_plugin(0)
	if p:isnil() then fail("no plugin on " .. route:name()) end
	return p
end

local vst3_track, vst2_track
if mode == "create" then
	local tracks = Session:new_audio_track(2, 2, nil, 2, "amp", ARDOUR.PresentationInfo.max_order,
		ARDOUR.TrackMode.Normal, false, false)
	local list = {}
	for t in tracks:iter() do table.insert(list, t) end
	vst3_track, vst2_track = list[1], list[2]
	local p3 = ARDOUR.LuaAPI.new_plugin(Session, name_of, ARDOUR.PluginType.VST3, "")
	local p2 = ARDOUR.LuaAPI.new_plugin(Session, name_of, ARDOUR.PluginType.LXVST, "")
	if p3:isnil() then fail("the VST3 plug-in was not found") end
	if p2:isnil() then fail("the VST 2.4 plug-in was not found") end
	vst3_track:add_processor_by_index(p3, 0, nil, true)
	vst2_track:add_processor_by_index(p2, 0, nil, true)
	for i = 1, 9 do
		ARDOUR.LuaAPI.set_processor_param(p3, i - 1, vst3_values[i])
		ARDOUR.LuaAPI.set_processor_param(p2, i - 1, vst2_values[i])
	end
	local master = Session:master_out()
	for i, t in ipairs({ vst3_track, vst2_track }) do
		t:input():disconnect_all(nil)
		t:input():audio(0):connect("system:capture_1")
		t:input():audio(1):connect("system:capture_2")
		t:output():disconnect_all(nil)
		t:output():audio(0):connect(master:input():audio(i - 1):name())
		t:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
	end
	-- Real-time controls (monitoring) take effect in the next process cycle.
	ARDOUR.LuaAPI.wait_for_process_callback(2, 1000)
else
	for r in Session:get_routes():iter() do
		if r:name() == "amp 1" then vst3_track = r:to_track() end
		if r:name() == "amp 2" then vst2_track = r:to_track() end
	end
	if not vst3_track or not vst2_track then fail("tracks not restored") end
	-- The VST3 plug-in's values came back from its state.
	vst3_values[9] = saved_cabinet_vst3
	local p3 = plugin_of(vst3_track)
	for i = 1, 9 do
		local v = ARDOUR.LuaAPI.get_processor_param(p3, i - 1)
		if math.abs(v - vst3_values[i]) > 1e-6 then fail("parameter " .. i .. " restored as " .. v) end
	end
	print("restored VST3 parameters: ok")
	for _, t in ipairs({ vst3_track, vst2_track }) do
		t:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
	end
	ARDOUR.LuaAPI.wait_for_process_callback(2, 1000)
end

local e = Session:simple_export()
e:set_name(mode)
e:set_folder(out)
e:set_range(0, rate * seconds)
if not e:set_preset("5e2d4f04-7b54-4b8e-9e0e-5a1d0c3a8f31") then fail("no export preset") end
if not e:run_export() then fail("export failed") end
print("exported " .. mode)
if mode == "create" then
	ARDOUR.LuaAPI.set_processor_param(plugin_of(vst3_track), 8, saved_cabinet_vst3)
	ARDOUR.LuaAPI.set_processor_param(plugin_of(vst2_track), 8, saved_cabinet_vst2)
	ARDOUR.LuaAPI.wait_for_process_callback(2, 1000)
	Session:save_state("", false, false, false, false, false)
end
close_session()
print("finished " .. mode)
