-- Builds the sessions plugin_application_tests export, the way a user builds
-- them in Ardour 7: a track, our plug-in on it, its controls, a preset, the
-- bypass button, automation. Run headless by ardour7-lua:
--   ardour7-lua ardour_sessions.lua FOLDER RATE CONTROLS SWITCH_FRAME
-- CONTROLS: the nine controls before bypass, in port order, comma separated;
-- SWITCH_FRAME: where the automated "enabled" switch turns off.
-- Prints what the plug-in scan found, one "plugin ..." and "preset ..." line
-- each, and "session NAME" for each session saved under FOLDER.
local folder, rate, controlText, switchFrame = arg[1], tonumber(arg[2]), arg[3], tonumber(arg[4])
local kStereo = "https://lumbrook-audio.example/lv2/reverb/stereo"
local kMonoLadspa = "4352"

local controls = {}
for value in controlText:gmatch("[^,]+") do controls[#controls + 1] = tonumber(value) end

-- The Dummy backend is how Ardour runs without a sound card; it is hidden
-- unless asked for.
ARDOUR.config():set_hide_dummy_backend(false)
assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no Dummy backend")

local function SetControls(processor, bypassValue)
    for i, value in ipairs(controls) do ARDOUR.LuaAPI.set_processor_param(processor, i - 1, value) end
    ARDOUR.LuaAPI.set_processor_param(processor, #controls, bypassValue)
end

-- A session with one track of the given width and one plug-in on it, set up
-- by setup(processor, track), saved for the export.
local function Build(name, channels, uri, pluginType, setup)
    assert(create_session(folder .. "/" .. name, name, rate), "cannot create " .. name)
    local track = Session:new_audio_track(channels, 2, nil, 1, "Reverb",
        ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front()
    local processor = ARDOUR.LuaAPI.new_plugin(Session, uri, pluginType, "")
    assert(not processor:isnil(), "no plug-in " .. uri)
    assert(track:add_processor_by_index(processor, 0, nil, true) == 0, "plug-in not added")
    setup(processor, track)
    -- Ardour connects a new track to the master bus on a thread of its own.
    local connected = false
    for _ = 1, 500 do
        connected = track:output():audio(0):connected_to("Master/audio_in 1")
            and track:output():audio(1):connected_to("Master/audio_in 2")
        if connected then break end
        ARDOUR.LuaAPI.usleep(10000)
    end
    assert(connected, "the track never reached the master bus")
    Session:save_state("", false, false, false, false, false)
    close_session()
    print("session " .. name)
end

-- The scan: Ardour lists plug-ins only once a session exists.
assert(create_session(folder .. "/scan", "scan", rate), "cannot create the scan session")
for info in ARDOUR.LuaAPI.list_plugins():iter() do
    if info.unique_id:find("lumbrook", 1, true) or info.name:find("Lumbrook", 1, true) then
        local processor = ARDOUR.LuaAPI.new_plugin(Session, info.unique_id, info.type, "")
        local plugin = processor:to_insert():plugin(0)
        local inputs = 0
        for i = 0, plugin:parameter_count() - 1 do
            if plugin:parameter_is_control(i) and plugin:parameter_is_input(i) then inputs = inputs + 1 end
        end
        local presets = info:get_presets(false)
        print(string.format("plugin %s|%s|%d controls|%d presets", info.unique_id, info.name,
            inputs, presets:size()))
        for preset in presets:iter() do print("preset " .. info.unique_id .. "|" .. preset.label) end
    end
end
close_session()

Build("controls", 2, kStereo, ARDOUR.PluginType.LV2, function(p) SetControls(p, 1) end)

Build("preset", 2, kStereo, ARDOUR.PluginType.LV2, function(p)
    local plugin = p:to_insert():plugin(0)
    assert(plugin:load_preset(plugin:preset_by_label("09 - Large Hall 1")), "preset 09 not loaded")
end)

-- The strip's bypass button: with a port designated lv2:enabled Ardour keeps
-- the plug-in running and turns that port off.
Build("bypass", 2, kStereo, ARDOUR.PluginType.LV2, function(p)
    SetControls(p, 1)
    p:to_insert():enable(false)
end)

-- "Enabled" drawn as automation: on from the start, off at switchFrame.
Build("automation", 2, kStereo, ARDOUR.PluginType.LV2, function(p)
    SetControls(p, 1)
    local enabledPort = p:to_insert():plugin(0):parameter_count() - 1
    local _, events = ARDOUR.LuaAPI.plugin_automation(p, #controls)
    events:add(Temporal.timepos_t(0), 1, false, false)
    events:add(Temporal.timepos_t(switchFrame), 0, false, false)
    local control = p:to_automatable():automation_control(
        Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, enabledPort), false)
    control:set_automation_state(ARDOUR.AutoState.Play)
end)

-- A mono track feeds the stereo master through a panner that takes 3 dB off
-- the centre; bypassed, it copies the channel to both sides.
Build("ladspa", 1, kMonoLadspa, ARDOUR.PluginType.LADSPA, function(p, track)
    SetControls(p, 0)
    track:panner_shell():set_bypassed(true)
end)
