#pragma once
// The host names of the online services that the built-in request table calls. They are
// reserved names that never resolve: a build points the table at real servers through
// "Connection.info" beside the program, and tests point it at their stand-in services.

// The registration and support service: its API under "/pcapp/", its portal pages under
// "/navigation/".
#define KESTRUM_HOST_REGISTRATION "members.halvorn.example"
// The probe gateway of the registration service: one-time passwords and probe uploads.
#define KESTRUM_HOST_PROBE_GATEWAY "probe.members.halvorn.example"
// The web site of the probe-traffic service.
#define KESTRUM_HOST_TRAFFIC_WEB "www.velocet.example"
// The page server of the probe-traffic service, named by its bare host name.
#define KESTRUM_HOST_TRAFFIC_PAGES "pages.velocet.example"
// The blog portal of the probe-traffic service.
#define KESTRUM_HOST_TRAFFIC_BLOG "blog.velocet.example"
// The traffic data service.
#define KESTRUM_HOST_TRAFFIC_DATA "odv.velocet.example"
// The weather data service.
#define KESTRUM_HOST_WEATHER "weather.halvorn.example"
// The maker's public web site.
#define KESTRUM_HOST_MAKER "www.halvorn.example"
// The map web service (authentication and API).
#define KESTRUM_HOST_MAP "maps.halvorn.example"
