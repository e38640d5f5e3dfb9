#pragma once

// Where the running instance answers on the session bus: the application id as the name and the
// interface, the object below it.
namespace busnames {

inline constexpr char kService[] = "io.github.dimwarden.Dimwarden";
inline constexpr char kPath[] = "/io/github/dimwarden/Dimwarden";
inline constexpr char kInterface[] = "io.github.dimwarden.Dimwarden";
inline constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";

}  // namespace busnames
