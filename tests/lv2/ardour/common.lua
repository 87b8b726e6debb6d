-- Shared by the Ardour check scripts: the check's folder, the plug-in, and the
-- render of the recorded take through the track's processing (Ardour's bounce
-- with processing, written as float files into the session).
local M = {}
M.dir = assert(os.getenv("ZORVAN_CHECK_DIR"), "ZORVAN_CHECK_DIR is not set")
M.uri = "https://www.zorvan.example/plugins/ferroharmonic-lite"

function M.startEngine(device)
	AudioEngine:set_backend("None (Dummy)", "", "")
	if device then AudioEngine:set_device_name(device) end
end

-- The track's one region (the take) through the track's processors, up to
-- but not including its outputs: <session>/interchange/check/audiofiles/<name>%L.wav, %R.wav.
-- (Ardour 7.3's headless session export crashes now and then inside Ardour;
-- the bounce runs the same processing on the calling thread and does not.)
function M.render(track, name)
	local take = nil
	for r in track:playlist():region_list():iter() do take = r end
	assert(take, "the track has no take")
	local rendered = track:bounce_range(take:position():samples(), (take:position() + take:length()):samples(),
		ARDOUR.InterThreadInfo(), track:main_outs(), false, name)
	assert(not rendered:isnil(), "the render failed")
	for c = 0, rendered:to_audioregion():n_channels() - 1 do
		print(string.format("rendered %s: %d samples to %s", name, rendered:length():samples(),
			rendered:source(c):to_filesource():path()))
	end
end

function M.ourPlugin(track)
	local i = 0
	while true do
		local proc = track:nth_plugin(i)
		if proc:isnil() then return nil end
		if proc:to_insert():plugin(0):unique_id() == M.uri then return proc end
		i = i + 1
	end
end

return M
