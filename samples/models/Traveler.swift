import Foundation
import SwiftData

@Model
final class Traveler {
    @Attribute(.unique) var email: String
    var givenName: String
    var familyName: String
    var passportNumber: String?
    var trips: [Trip] = []

    var fullName: String { "\(givenName) \(familyName)" }

    init(email: String, givenName: String, familyName: String) {
        self.email = email
        self.givenName = givenName
        self.familyName = familyName
    }
}
